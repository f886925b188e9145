#include "installer/startup.h"

#include "util/platform.h"
#include "util/text.h"

std::string programDirectory(const std::string& programPath) {
  return excludeTrailingDelimiter(extractFilePath(programPath));
}

std::string detectedBrowsersPath(const std::string& dir) {
  return dir + "\\detected browsers.txt";
}

void writeDetectedBrowsers(const std::string& path, const std::string& text) {
  // The folder is often one anybody can write to (Downloads), so a link of
  // the name may be waiting there: writing through it would overwrite its
  // target. The name goes first (only the link, never its target), and the
  // file is made new, never through a link that appears meanwhile.
  platform::deleteFile(path);
  platform::File file = platform::File::createNew(path, platform::Share::readWrite);
  file.write(text.data(), text.size());
}
