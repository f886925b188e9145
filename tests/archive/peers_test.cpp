// Archives made by independent tools, read and extracted by ours: zlib's
// deflate at several levels and strategies, libzip, Info-ZIP zip (also
// streamed, with data descriptors) and Python's zipfile writing to a pipe
// (data descriptors, sizes 0 in the local header). Host only: the tools live
// there.
#ifndef _WIN32
#include "archive/install.h"
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "tests/archive/zipkit.h"
#include "util/ui.h"
#include "util/ui_posix.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <map>

namespace {

using namespace zipkit;
using Names = std::vector<std::string>;

// Text, a program's bytes, noise, long runs and nothing: what payloads hold.
std::map<std::string, std::string> corpus() {
  std::string text;
  for (int i = 0; text.size() < 300000; ++i)
    text +=
        "pref(\"plugin.vorlixa." + std::to_string(i % 977) + "\", " + std::to_string(i) + ");\n";
  std::ifstream self("/proc/self/exe", std::ios::binary);
  std::string binary(400000, '\0');
  self.read(binary.data(), static_cast<std::streamsize>(binary.size()));
  binary.resize(static_cast<size_t>(self.gcount()));
  return {{"text.js.txt", text},
          {"binary.dll", binary},
          {"noise.bin", noise(150000, 7)},
          {"zeros.bin", std::string(100000, '\0')},
          {"empty.dat", ""},
          {"one.dat", "1"}};
}

// Raw deflate (no zlib header) by zlib itself.
std::string zlibDeflate(const std::string& data, int level, int strategy) {
  z_stream z = {};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 9, strategy), Z_OK);
  std::string out(deflateBound(&z, data.size()) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

class Peers : public ::testing::Test {
protected:
  void SetUp() override {
    takeShownBoxes();
    archivePath = home / "setup.exe";
  }

  // Opens archivePath and extracts every entry the walk visits; returns the
  // extracted bytes by name.
  std::map<std::string, std::string> extractAll() {
    EXPECT_TRUE(openArchive(archivePath, archive));
    EXPECT_EQ(takeShownBoxes(), Names{});
    std::map<std::string, std::string> got;
    int n = 0;
    walkCatalog(archive, [&](const std::string& name, int32_t pos, uint32_t, uint32_t) {
      std::string out = home / ("out" + std::to_string(n++));
      EXPECT_EQ(extractEntry(archivePath, out, pos), zipOk) << name;
      got[name] = readFile(out);
      return false;
    });
    return got;
  }

  // Runs a shell command in dir; false when it failed.
  static bool shell(const std::string& dir, const std::string& command) {
    return std::system(("cd '" + dir + "' && " + command).c_str()) == 0;
  }
  // Writes the corpus as files into dir.
  static void writeCorpus(const std::string& dir) {
    for (const auto& [name, data] : corpus())
      ASSERT_TRUE(writeFile(dir + "/" + name, data));
  }
  // Appends the archive in file to a program, as the packer does.
  static void prependProgram(const std::string& file) {
    ASSERT_TRUE(writeFile(file, std::string(7000, 'M') + readFile(file)));
  }

  ScratchDir home;
  std::string archivePath;
  tArchive archive;
};

TEST_F(Peers, ZlibAtEveryLevelAndStrategy) {
  struct Setting {
    int level;
    int strategy;
  };
  std::vector<Setting> settings = {{1, Z_DEFAULT_STRATEGY},
                                   {6, Z_DEFAULT_STRATEGY},
                                   {9, Z_DEFAULT_STRATEGY},
                                   {0, Z_DEFAULT_STRATEGY},
                                   {6, Z_FILTERED},
                                   {6, Z_HUFFMAN_ONLY},
                                   {6, Z_RLE},
                                   {6, Z_FIXED},
                                   {9, Z_FIXED},
                                   {1, Z_HUFFMAN_ONLY}};
  for (const Setting& s : settings) {
    std::vector<Entry> entries;
    for (const auto& [name, data] : corpus()) {
      Entry e = deflatedEntry(name, data);
      e.data = zlibDeflate(data, s.level, s.strategy);
      entries.push_back(e);
    }
    ASSERT_TRUE(writeFile(archivePath, buildZip(entries, "", std::string(9000, 'M'))));
    std::map<std::string, std::string> got = extractAll();
    for (const auto& [name, data] : corpus())
      EXPECT_TRUE(got[name] == data) << name << " level " << s.level << " strategy " << s.strategy;
  }
}

TEST_F(Peers, LibzipDeflatedAndStored) {
  std::string plain = home / "libzip.zip";
  for (int method : {ZIP_CM_DEFLATE, ZIP_CM_STORE}) {
    int error = 0;
    zip_t* z = zip_open(plain.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    std::map<std::string, std::string> files = corpus();
    ASSERT_GE(zip_dir_add(z, "plugins", ZIP_FL_ENC_UTF_8), 0);
    for (const auto& [name, data] : files) {
      zip_source_t* src = zip_source_buffer(z, data.data(), data.size(), 0);
      zip_int64_t i = zip_file_add(z, ("plugins/" + name).c_str(), src, ZIP_FL_ENC_UTF_8);
      ASSERT_GE(i, 0);
      zip_set_file_compression(z, static_cast<zip_uint64_t>(i), method, 9);
    }
    ASSERT_EQ(zip_close(z), 0);
    prependProgram(plain);
    archivePath = plain;
    std::map<std::string, std::string> got = extractAll();
    EXPECT_EQ(got.size(), files.size()); // the folder entry is not visited
    for (const auto& [name, data] : files)
      EXPECT_TRUE(got["plugins/" + name] == data) << name;
  }
}

TEST_F(Peers, InfoZipInstallsWithFoldersAndFileTimes) {
  ScratchDir src;
  testfiles::createFoldersTo(src / "plugins/sub/");
  writeCorpus(src.path() + "/plugins");
  ASSERT_TRUE(writeFile(src.path() + "/plugins/sub/deep.dat", "deep"));
  ASSERT_TRUE(writeFile(src.path() + "/root.drv", "driver"));
  ASSERT_TRUE(shell(src.path(), "zip -q -r -9 '" + archivePath + "' root.drv plugins"));
  prependProgram(archivePath);
  ASSERT_TRUE(openArchive(archivePath, archive));
  ASSERT_EQ(takeShownBoxes(), Names{});
  ScratchDir plugins;
  installToDir(archive, plugins.path());
  EXPECT_EQ(takeShownBoxes(), Names{});
  for (const auto& [name, data] : corpus()) {
    EXPECT_TRUE(readFile(plugins / name) == data) << name;
    struct stat from, to;
    ASSERT_EQ(stat((src.path() + "/plugins/" + name).c_str(), &from), 0);
    ASSERT_EQ(stat((plugins / name).c_str(), &to), 0);
    // DOS times have 2-second steps: zip rounds up odd seconds.
    EXPECT_LE(std::abs(to.st_mtime - from.st_mtime), 1) << name;
  }
  EXPECT_EQ(readFile(plugins / "sub/deep.dat"), "deep");
  EXPECT_EQ(readFile(plugins / "root.drv"), "driver");
  EXPECT_EQ(listRootFiles(archive), (std::vector<std::string>{"root.drv"}));
}

TEST_F(Peers, InfoZipForcedDataDescriptors) {
  ScratchDir src;
  writeCorpus(src.path());
  ASSERT_TRUE(shell(src.path(), "zip -q -fd '" + archivePath + "' *"));
  std::string bytes = readFile(archivePath);
  ASSERT_EQ(bytes[6] & 8, 8) << "zip -fd wrote no data descriptor";
  prependProgram(archivePath);
  std::map<std::string, std::string> got = extractAll();
  for (const auto& [name, data] : corpus())
    EXPECT_TRUE(got[name] == data) << name;
}

TEST_F(Peers, InfoZipStreamedThroughAPipe) {
  ScratchDir src;
  writeCorpus(src.path());
  ASSERT_TRUE(shell(src.path(), "cat binary.dll | zip -q -fz- - - | cat > '" + archivePath + "'"));
  std::string bytes = readFile(archivePath);
  ASSERT_EQ(bytes[6] & 8, 8);
  ASSERT_EQ(bytes.substr(18, 4), std::string(4, '\0')) << "compressed size should be 0";
  std::map<std::string, std::string> got = extractAll();
  ASSERT_EQ(got.size(), 1u);
  EXPECT_TRUE(got["-"] == corpus()["binary.dll"]);
}

TEST_F(Peers, PythonZipfileWritingToAPipe) {
  ScratchDir src;
  writeCorpus(src.path());
  std::string script = "import zipfile, sys, os\n"
                       "with zipfile.ZipFile(sys.stdout.buffer, 'w', zipfile.ZIP_DEFLATED) as z:\n"
                       "    for n in sorted(os.listdir('.')):\n"
                       "        z.write(n, 'plugins/' + n)\n";
  ASSERT_TRUE(writeFile(home / "pipe.py", script));
  ASSERT_TRUE(
      shell(src.path(), "python3 '" + (home / "pipe.py") + "' | cat > '" + archivePath + "'"));
  std::string bytes = readFile(archivePath);
  ASSERT_EQ(bytes[6] & 8, 8);
  ASSERT_EQ(bytes.substr(18, 4), std::string(4, '\0'));
  prependProgram(archivePath);
  std::map<std::string, std::string> got = extractAll();
  for (const auto& [name, data] : corpus())
    EXPECT_TRUE(got["plugins/" + name] == data) << name;
}

} // namespace
#endif
