#pragma once
// The picture on the left of the installer's window: the program's resource
// 10. The shipped program carries it as a deflated .bmp file (a quarter of
// the size), which is expanded here once at start-up; a program built with a
// plain bitmap resource 10 has that loaded as it is.
#include "formless/image.h"

// The picture, or an empty record when the program has none that loads.
tBitmapRec loadPanelPicture();
