/* The mark that tells the packer a file is this installer program: an
   RCDATA resource of this number holding this text. Read by the resource
   compiler (resources/stubmark.rc) and by the packer (tools/mkinstaller.cpp),
   so it stays plain preprocessor text. */
#pragma once
#define STUB_MARK_ID 30
#define STUB_MARK_TEXT "Vorlixa plug-in installer program"
