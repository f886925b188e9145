// The packer: a setup.exe it makes is read by openArchive exactly as built,
// it says what it packed, and what the installer would refuse or what would
// surprise the vendor is refused with a message and touches nothing. Host
// only: the packer is a host tool.
#ifndef _WIN32
#include "archive/install.h"
#include "archive/peformat.h"
#include "archive/selfarchive.h"
#include "archive/zipformat.h"
#include "resources/stubmark.h"
#include "tests/archive/zipkit.h"
#include "util/ui.h"
#include "util/ui_posix.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

using namespace zipkit;
namespace fs = std::filesystem;
using Names = std::vector<std::string>;

struct ToolRun {
  int status;
  std::string output; // standard output
  std::string errors;
};

// Runs the packer with these arguments, after env (assignments for its
// environment) when given.
ToolRun mkinstaller(const std::string& args, const ScratchDir& dir, const std::string& env = "") {
  std::string output = dir / "output.txt", errors = dir / "errors.txt";
  int status = std::system(
      (env + " " + MKINSTALLER + " " + args + " >'" + output + "' 2>'" + errors + "'").c_str());
  ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(output), readFile(errors)};
  platform::deleteFile(output);
  platform::deleteFile(errors);
  return run;
}

// A file of that exact name: the host's platform layer would take "\" for a
// separator.
void rawFile(const std::string& path) {
  std::ofstream(path) << "x";
}

struct Resource {
  uint32_t type, name;
  std::string data;
};

// A Windows program of this machine type whose one section holds these
// resources (each of its own type), for the packer to read: a stub with the
// installer's mark, a plug-in library with a version.
std::string programWith(uint32_t machine, const std::vector<Resource>& resources) {
  constexpr size_t peAt = 0x40, sectionAddress = 0x1000, rawAt = 0x200;
  const bool wide = machine == pe::machineAmd64;
  const size_t optionalSize = wide ? 240 : 224, sectionsAt = peAt + 24 + optionalSize;
  // The resource tree: root, then per resource a name level, a language
  // level, the data entry and the data.
  std::string tree(16 + 8 * resources.size(), '\0');
  set16(tree, pe::resource::idCount, uint32_t(resources.size()));
  for (size_t i = 0; i < resources.size(); ++i) {
    const size_t names = tree.size(), languages = names + 24, entry = languages + 24;
    set32(tree, 16 + 8 * i, resources[i].type);
    set32(tree, 16 + 8 * i + 4, pe::resource::subdirectory | uint32_t(names));
    tree.resize(entry + 16);
    set16(tree, names + pe::resource::idCount, 1);
    set32(tree, names + 16, resources[i].name);
    set32(tree, names + 20, pe::resource::subdirectory | uint32_t(languages));
    set16(tree, languages + pe::resource::idCount, 1);
    set32(tree, languages + 16, 1033);
    set32(tree, languages + 20, uint32_t(entry));
    set32(tree, entry, uint32_t(sectionAddress + tree.size()));
    set32(tree, entry + 4, uint32_t(resources[i].data.size()));
    tree += resources[i].data;
    tree.resize((tree.size() + 3) & ~size_t(3), '\0');
  }
  std::string b(rawAt, '\0');
  b[0] = 'M', b[1] = 'Z';
  set32(b, pe::headerPointer, peAt);
  set32(b, peAt, pe::signature);
  set16(b, peAt + pe::machineField, machine);
  set16(b, peAt + pe::sectionCountField, 1);
  set16(b, peAt + pe::optionalSizeField, uint32_t(optionalSize));
  const size_t optional = peAt + pe::optionalHeader;
  set16(b, optional, wide ? pe::magic64 : pe::magic32);
  set32(b, optional + 56, uint32_t(sectionAddress + tree.size())); // image size
  set32(b, optional + 60, uint32_t(rawAt));                        // headers' size
  set32(b, optional + (wide ? pe::directoryCount64 : pe::directoryCount32), 16);
  const size_t directory = optional + (wide ? pe::directories64 : pe::directories32) +
                           pe::resourceDirectory * pe::directorySize;
  set32(b, directory, sectionAddress);
  set32(b, directory + 4, uint32_t(tree.size()));
  set32(b, sectionsAt + pe::section::virtualSize, uint32_t(tree.size()));
  set32(b, sectionsAt + pe::section::virtualAddress, sectionAddress);
  set32(b, sectionsAt + pe::section::rawSize, uint32_t(tree.size()));
  set32(b, sectionsAt + pe::section::rawPointer, uint32_t(rawAt));
  return b + tree;
}

// The installer program as the packer knows it: a program with its mark.
std::string markedStub(const std::string& mark = STUB_MARK_TEXT) {
  return programWith(pe::machineI386, {{10, STUB_MARK_ID, mark}}) + noise(20000, 3);
}

// A version resource whose fixed block holds the file version a.b.c.d.
std::string versionResource(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  std::string r;
  put16(r, 40 + 52);
  put16(r, 52); // the fixed block's size
  put16(r, 0);
  for (char ch : std::string("VS_VERSION_INFO"))
    put16(r, uint8_t(ch));
  put16(r, 0);
  put16(r, 0); // padding to 4 bytes
  put32(r, 0xFEEF04BD);
  put32(r, 0x10000);
  put32(r, uint32_t(a) << 16 | b);
  put32(r, uint32_t(c) << 16 | d);
  r.resize(40 + 52, '\0');
  return r;
}

// Every file and folder below dir with its bytes (links by their target),
// to show that a run changed nothing.
std::map<std::string, std::string> snapshot(const std::string& dir) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().lexically_relative(dir).string();
    if (it->is_symlink())
      files[name] = "link to " + fs::read_symlink(it->path()).string();
    else if (it->is_regular_file())
      files[name] = readFile(it->path().string());
    else
      files[name] = "<folder or special>";
  }
  return files;
}

// The DOS time and date the packer stores for a file time: local time.
std::pair<uint16_t, uint16_t> dosTime(time_t t) {
  struct tm local;
  localtime_r(&t, &local);
  return {uint16_t(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2),
          uint16_t((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday)};
}

void setTime(const std::string& path, time_t t) {
  const struct timespec times[2] = {{t, 0}, {t, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

class Packer : public ::testing::Test {
public:
  void SetUp() override {
    takeShownBoxes();
    reset();
  }
  // The payload and the stub as they were at the start.
  void reset() {
    fs::remove_all(payload.path());
    testfiles::createFoldersTo(payload / "plugins/");
    for (const auto& [name, data] : files)
      ASSERT_TRUE(writeFile(payload / name, data));
    ASSERT_TRUE(writeFile(stub, stubBytes));
  }
  std::string args(const std::string& agent, const std::string& url = "http://example.com/") {
    return "--stub '" + stub + "' --payload '" + payload.path() + "' --agent '" + agent +
           "' --url '" + url + "' -o '" + output + "'";
  }

  const std::string stubBytes = markedStub();
  const std::vector<std::pair<std::string, std::string>> files = {
      {"vorlixa.drv", "driver"},
      {"vorlixa.ini", std::string(5000, 'i')},
      {"install.js", "initInstall();"},
      {"install.rdf", "<RDF/>"},
      {"plugins/npvorlixa.dll",
       programWith(pe::machineI386, {{16, 1, versionResource(1, 2, 0, 5)}}) + noise(70000, 9)}};
  ScratchDir work;
  ScratchDir payload;
  std::string stub = work / "installer.exe";
  std::string output = work / "setup.exe";
};

TEST_F(Packer, SetupIsTheStubWithTheArchiveAndItsComment) {
  ToolRun run = mkinstaller(args("mozilla/4.79 [en] (windows nt 5.0; u)"), work);
  ASSERT_EQ(run.status, 0) << run.errors;
  std::string bytes = readFile(output);
  EXPECT_EQ(bytes.substr(0, stubBytes.size()), stubBytes);

  tArchive archive;
  ASSERT_TRUE(openArchive(output, archive));
  EXPECT_EQ(takeShownBoxes(), Names{});
  EXPECT_EQ(archive.comment(),
            "agent: mozilla/4.79 [en] (windows nt 5.0; u)\nurl: http://example.com/\n");
  EXPECT_EQ(archive.base(), static_cast<int32_t>(stubBytes.size()));

  // Files of a folder first, then each subfolder's entry and contents; every
  // file deflated.
  Names names;
  walkCatalog(archive, [&](const std::string& name, int32_t pos, uint32_t, uint32_t) {
    names.push_back(name);
    EXPECT_EQ(bytes[static_cast<size_t>(pos) + localMethod], 8) << name;
    return false;
  });
  EXPECT_EQ(names, (Names{"install.js", "install.rdf", "vorlixa.drv", "vorlixa.ini",
                          "plugins/npvorlixa.dll"}));
  EXPECT_NE(archive.catalog().find("plugins/"), std::string::npos) << "no folder entry";

  ScratchDir plugins;
  installToDir(archive, plugins.path());
  EXPECT_EQ(takeShownBoxes(), Names{});
  EXPECT_EQ(plugins.contents(), (Names{"npvorlixa.dll", "vorlixa.drv", "vorlixa.ini"}));
  EXPECT_TRUE(readFile(plugins / "npvorlixa.dll") == files.back().second);
}

// True when one line of text holds every piece.
bool hasLine(const std::string& text, const Names& pieces) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    if (std::all_of(pieces.begin(), pieces.end(),
                    [&](const std::string& p) { return line.find(p) != std::string::npos; }))
      return true;
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return false;
}

TEST_F(Packer, SaysWhatEachBrowserGetsAndWhatItWrote) {
  ToolRun run = mkinstaller(args("agent"), work);
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.errors, "");
  const std::string& out = run.output;
  const std::string dll = files.back().second;
  // Installed as placed: root files as they are, a folder's file without its
  // first folder name; the install scripts left out, each with its rule.
  EXPECT_TRUE(hasLine(out, {"vorlixa.drv", " 6 bytes"})) << out;
  EXPECT_TRUE(hasLine(out, {"vorlixa.ini", " 5000 bytes"})) << out;
  EXPECT_TRUE(hasLine(out, {"  npvorlixa.dll", std::to_string(dll.size()) + " bytes",
                            "from plugins/npvorlixa.dll", "first folder name"}))
      << out;
  EXPECT_TRUE(hasLine(out, {"install.js", "\".js\" file is never installed"})) << out;
  EXPECT_TRUE(hasLine(out, {"install.rdf", "\".rdf\"", "never installed"})) << out;
  EXPECT_FALSE(hasLine(out, {"  install.js", "bytes"})) << "not among the installed files";
  EXPECT_TRUE(hasLine(out, {"Un-ticking a browser deletes: vorlixa.drv vorlixa.ini"})) << out;
  EXPECT_TRUE(hasLine(out, {"Plug-in library: npvorlixa.dll, version 1.2.0.5, 32-bit"})) << out;
  uint64_t total = 0;
  for (const auto& [name, data] : files)
    total += data.size();
  EXPECT_TRUE(hasLine(out, {"Payload: 5 files, " + std::to_string(total) + " bytes"})) << out;
  const std::string setup = readFile(output);
  EXPECT_TRUE(hasLine(out, {"Wrote " + output + ": " + std::to_string(setup.size()) + " bytes",
                            "installer program " + std::to_string(stubBytes.size())}))
      << out;
  // The SHA-256 as sha256sum computes it.
  std::string sum = work / "sum.txt";
  ASSERT_EQ(std::system(("sha256sum '" + output + "' >'" + sum + "'").c_str()), 0);
  EXPECT_TRUE(hasLine(out, {"SHA-256: " + readFile(sum).substr(0, 64)})) << out;
  platform::deleteFile(sum);

  // Quiet: nothing but errors. A 64-bit library is said to be one.
  ASSERT_TRUE(writeFile(payload / "plugins/npvorlixa.dll", programWith(pe::machineAmd64, {})));
  run = mkinstaller(args("agent") + " -q", work);
  EXPECT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(run.output + run.errors, "");
  run = mkinstaller(args("agent"), work);
  EXPECT_TRUE(hasLine(run.output, {"npvorlixa.dll, no version resource", "64-bit"})) << run.output;
}

TEST_F(Packer, HelpVersionAndUsageErrors) {
  ToolRun help = mkinstaller("--help", work);
  EXPECT_EQ(help.status, 0);
  for (const char* option : {"--stub",
                             "--payload",
                             "--agent",
                             "--url",
                             "-o,",
                             "--output",
                             "--sign",
                             "--pfx",
                             "--password-file",
                             "--password-env",
                             "--timestamp",
                             "-q,",
                             "-v,",
                             "--help",
                             "--version",
                             "SOURCE_DATE_EPOCH",
                             ".js",
                             ".rdf",
                             "META-INF",
                             "first folder name",
                             "np*.dll"})
    EXPECT_NE(help.output.find(option), std::string::npos) << option;
  ToolRun version = mkinstaller("--version", work);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.output.rfind("mkinstaller ", 0), 0u) << version.output;

  struct Case {
    std::string args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"--stub '" + stub + "' -o '" + output + "'", "missing option --payload"},
      {args("x") + " --frobnicate", "unknown option --frobnicate"},
      {args("x") + " --stub x", "--stub is given twice"},
      {args("x") + " --url", "--url needs a value"},
      {args("x") + " --sign cert.pem", "--sign needs two values"},
      {args("x") + " --password secret", "--password is not taken"},
      {args("x") + " --password-file p", "--password-file needs --sign or --pfx"},
      {args("x") + " --timestamp http://127.0.0.1/", "--timestamp needs --sign or --pfx"},
      {args("x") + " --sign c k --pfx p", "--sign and --pfx exclude each other"},
  };
  for (const Case& c : cases) {
    ToolRun run = mkinstaller(c.args, work);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.args << ": " << run.errors;
  }
  ToolRun epoch = mkinstaller(args("x"), work, "SOURCE_DATE_EPOCH=yesterday");
  EXPECT_EQ(epoch.status, 2);
  EXPECT_NE(epoch.errors.find("SOURCE_DATE_EPOCH"), std::string::npos) << epoch.errors;
  EXPECT_EQ(work.contents(), Names{"installer.exe"});
}

TEST_F(Packer, TwoPacksOfTheSameFilesAreTheSameBytes) {
  const time_t epoch = 1100000000; // 2004-11-09
  const std::string env = "SOURCE_DATE_EPOCH=" + std::to_string(epoch);
  const std::string older = payload / "vorlixa.ini";
  setTime(older, epoch - 86400);
  ToolRun first = mkinstaller(args("x"), work, env);
  ASSERT_EQ(first.status, 0) << first.errors;
  const std::string bytes = readFile(output);
  // Other times after the epoch, other modes: the same bytes.
  setTime(payload / "vorlixa.drv", epoch + 5000);
  setTime(payload / "plugins", epoch + 9000);
  fs::permissions(payload / "install.js", fs::perms::owner_read);
  ToolRun second = mkinstaller(args("x"), work, env);
  ASSERT_EQ(second.status, 0) << second.errors;
  EXPECT_TRUE(readFile(output) == bytes);

  // A time before the epoch stays; later ones are the epoch.
  tArchive archive;
  ASSERT_TRUE(openArchive(output, archive));
  std::map<std::string, std::pair<uint16_t, uint16_t>> times;
  zip::CatalogReader reader(archive.catalog());
  zip::CatalogRecord r;
  while (reader.next(r) == zip::CatalogReader::record) {
    const char* record = r.name.data() - zip::record::size; // the DOS time, then the date
    times[std::string(r.name)] = {uint16_t(readLe16(record + 12)), uint16_t(readLe16(record + 14))};
  }
  EXPECT_EQ(times["vorlixa.ini"], dosTime(epoch - 86400));
  EXPECT_EQ(times["vorlixa.drv"], dosTime(epoch));
  EXPECT_EQ(times["plugins/"], dosTime(epoch)) << "a folder's own time, not the packing time";

  // Without the epoch the files' own times count, and still nothing else.
  ToolRun third = mkinstaller(args("x"), work);
  ASSERT_EQ(third.status, 0) << third.errors;
  const std::string unclamped = readFile(output);
  EXPECT_FALSE(unclamped == bytes);
  ASSERT_EQ(mkinstaller(args("x"), work).status, 0);
  EXPECT_TRUE(readFile(output) == unclamped);
}

TEST_F(Packer, CommentOfExactly2026BytesIsTheLongestTaken) {
  // "agent: " + A + "\nurl: " + U + "\n" is 14 bytes around the two texts.
  std::string url = "http://example.com/";
  std::string agent(2026 - 14 - url.size(), 'a');
  ToolRun run = mkinstaller(args(agent, url), work);
  ASSERT_EQ(run.status, 0) << run.errors;
  tArchive archive;
  ASSERT_TRUE(openArchive(output, archive));
  EXPECT_EQ(takeShownBoxes(), Names{});
  EXPECT_EQ(archive.comment().size(), 2026u);
}

TEST_F(Packer, RefusesWhatTheInstallerCouldNotUseOrWouldSurprise) {
  struct Case {
    const char* what;
    std::function<std::string(Packer&)> args;
    std::function<void(Packer&)> prepare; // may be empty
    const char* message;
  };
  auto plain = [](Packer& p) { return p.args("x"); };
  auto outputAt = [](const std::string& where) {
    return [where](Packer& p) {
      std::string a = p.args("x");
      return a.replace(a.find(p.output), p.output.size(), where == "stub" ? p.stub : where);
    };
  };
  std::vector<Case> cases = {
      {"comment of 2027 bytes",
       [](Packer& p) { return p.args(std::string(2027 - 14 - 19, 'a'), "http://example.com/"); },
       nullptr, "at most 2026"},
      {"missing stub",
       [](Packer& p) {
         std::string a = p.args("x");
         return a.replace(a.find(p.stub), p.stub.size(), p.stub + ".none");
       },
       nullptr, "no stub program"},
      {"missing payload",
       [](Packer& p) {
         std::string a = p.args("x");
         return a.replace(a.find(p.payload.path()), p.payload.path().size(), "/nonexistent");
       },
       nullptr, "no payload folder"},
      {"a text file for a stub", plain,
       [](Packer& p) { ASSERT_TRUE(writeFile(p.stub, "#!/bin/sh\n")); },
       "is not the installer program"},
      {"another program for a stub", plain,
       [](Packer& p) { ASSERT_TRUE(writeFile(p.stub, markedStub("Another program"))); },
       "lacks the installer's mark"},
      {"a setup.exe for a stub", plain,
       [](Packer& p) {
         ASSERT_TRUE(writeFile(p.stub, markedStub() + buildZip({deflatedEntry("a.ini", "a")})));
       },
       "already carries an archive"},
      {"the stub as the output", outputAt("stub"), nullptr, "is the stub"},
      {"the output in the payload", [&](Packer& p) { return outputAt(p.payload / "s.exe")(p); },
       nullptr, "lies inside the payload folder"},
      {"the output in a payload subfolder",
       [&](Packer& p) { return outputAt(p.payload / "plugins/s.exe")(p); }, nullptr,
       "lies inside the payload folder"},
      {"a link to a file outside", plain,
       [](Packer& p) { fs::create_symlink(p.stub, p.payload / "plugins/np.dll"); },
       "plugins/np.dll: a symbolic link"},
      {"a link loop", plain,
       [](Packer& p) { fs::create_directory_symlink(p.payload.path(), p.payload / "loop"); },
       "loop: a symbolic link"},
      {"a named pipe", plain,
       [](Packer& p) { ASSERT_EQ(mkfifo((p.payload / "pipe").c_str(), 0600), 0); },
       "pipe: not a regular file"},
      {"a UTF-8 name", plain, [](Packer& p) { rawFile(p.payload / "f\xC3\xBCr.txt"); },
       "not plain ASCII"},
      {"two files installed as one", plain,
       [](Packer& p) {
         testfiles::createFoldersTo(p.payload / "extra/");
         rawFile(p.payload / "extra/vorlixa.ini");
       },
       "vorlixa.ini and extra/vorlixa.ini would both be installed as vorlixa.ini"},
      {"two files installed as one but for letter case", plain,
       [](Packer& p) { rawFile(p.payload / "plugins/VORLIXA.DRV"); }, "would both be installed"},
      {"a file where a folder must be", plain,
       [](Packer& p) {
         testfiles::createFoldersTo(p.payload / "extra/x/");
         rawFile(p.payload / "plugins/x");
         rawFile(p.payload / "extra/x/y.txt");
       },
       "plugins/x is installed as a file where extra/x/y.txt needs a folder"},
      {"a colon in a name", plain, [](Packer& p) { rawFile(p.payload / "plugins/np.dll:alt"); },
       "np.dll:alt"},
      {"a backslash in a name", plain, [](Packer& p) { rawFile(p.payload / "..\\evil.dll"); },
       "evil.dll"},
      {"a name of dots", plain, [](Packer& p) { rawFile(p.payload / "plugins/..."); },
       "plugins/..."},
      {"a name ending in a dot", plain, [](Packer& p) { rawFile(p.payload / "plugins/evil.dll."); },
       "plugins/evil.dll."},
      {"a device name", plain, [](Packer& p) { rawFile(p.payload / "aux.txt"); }, "aux.txt"},
      {"a pattern character in a name", plain, [](Packer& p) { rawFile(p.payload / "*.ini"); },
       "*.ini"},
      {"a pipe in a name", plain, [](Packer& p) { rawFile(p.payload / "plugins/a|b.dll"); },
       "plugins/a|b.dll"},
      // The last file's bytes are stored as they are (they do not compress)
      // and hold an end record's signature: the installer would take it for
      // the archive's end and find nothing.
      {"a false end record near the end", plain,
       [](Packer& p) {
         std::string falseEnd = std::string("PK\5\6") + std::string(18, '\0');
         ASSERT_TRUE(writeFile(p.payload / "plugins/zz.dat", noise(1000, 4) + falseEnd));
       },
       "would not find"},
      {"a line feed in the agent", [](Packer& p) { return p.args("x\nurl: http://evil/"); },
       nullptr, "single lines"},
      {"a blank in the url", [](Packer& p) { return p.args("x", "http://x/a b"); }, nullptr,
       "must not hold blanks"},
      {"a quote in the url", [](Packer& p) { return p.args("x", "http://x/\"-new-window"); },
       nullptr, "must not hold blanks"},
      {"a tab in the url", [](Packer& p) { return p.args("x", "http://x/\tx"); }, nullptr,
       "must not hold blanks"},
      {"a url that is an option", [](Packer& p) { return p.args("x", "-new-window"); }, nullptr,
       "nor begin with"},
      {"a url that is a switch", [](Packer& p) { return p.args("x", "/safe-mode"); }, nullptr,
       "nor begin with"},
  };
  // What an earlier packer deleted or wrote through: all must stay as they are.
  ASSERT_TRUE(writeFile(output, "the previous setup"));
  ASSERT_TRUE(writeFile(output + ".zip-part", "a vendor's file"));
  testfiles::createFoldersTo(output + ".check/");
  ASSERT_TRUE(writeFile(output + ".check/keep", "a vendor's file"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.prepare) c.prepare(*this);
    const auto before = snapshot(work.path()), payloadBefore = snapshot(payload.path());
    ToolRun run = mkinstaller(c.args(*this), work);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(snapshot(work.path()), before);
    EXPECT_EQ(snapshot(payload.path()), payloadBefore);
    reset();
  }
}

int shell(const std::string& command) {
  int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Packer, SignsTheSetupSoThatItVerifiesAndStillReads) {
  // A throwaway certificate, its key plain, under a password, and both in a
  // PKCS#12 file under the same password.
  const std::string cert = work / "cert.pem", key = work / "key.pem", locked = work / "locked.pem",
                    pfx = work / "both.pfx", password = work / "password.txt";
  ASSERT_EQ(
      shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Throwaway -keyout '" +
            key + "' -out '" + cert + "'"),
      0);
  ASSERT_EQ(
      shell("openssl pkey -in '" + key + "' -aes256 -passout pass:secret -out '" + locked + "'"),
      0);
  ASSERT_EQ(shell("openssl pkcs12 -export -in '" + cert + "' -inkey '" + key +
                  "' -passout pass:secret -out '" + pfx + "'"),
            0);
  ASSERT_TRUE(writeFile(password, "secret\n"));
  ASSERT_TRUE(writeFile(password + ".wrong", "wrong\n"));
  const std::string program = programWith(pe::machineI386, {{10, STUB_MARK_ID, STUB_MARK_TEXT}});
  ASSERT_TRUE(writeFile(stub, program));
  struct Case {
    const char* what;
    std::string signing;
    std::string env;
    int status;
    const char* message = "";
  };
  const std::vector<Case> cases = {
      {"plain key", " --sign '" + cert + "' '" + key + "'", "", 0},
      {"password file",
       " --sign '" + cert + "' '" + locked + "' --password-file '" + password + "'", "", 0},
      {"password variable", " --sign '" + cert + "' '" + locked + "' --password-env KEYPASS",
       "KEYPASS=secret", 0},
      {"PKCS#12", " --pfx '" + pfx + "' --password-file '" + password + "'", "", 0},
      {"wrong password",
       " --sign '" + cert + "' '" + locked + "' --password-file '" + password + ".wrong'", "", 1,
       "osslsigncode could not sign"},
      {"unset variable", " --pfx '" + pfx + "' --password-env KEYPASS", "", 1,
       "the variable KEYPASS is not set"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto before = snapshot(work.path());
    ToolRun run = mkinstaller(args("agent") + c.signing, work, c.env);
    ASSERT_EQ(run.status, c.status) << run.errors;
    if (c.status != 0) {
      EXPECT_NE(run.errors.find(c.message), std::string::npos) << run.errors;
      EXPECT_EQ(snapshot(work.path()), before);
      continue;
    }
    EXPECT_TRUE(hasLine(run.output, {"Wrote ", ", signed"})) << run.output;
    EXPECT_EQ(shell("osslsigncode verify -CAfile '" + cert + "' -in '" + output + "'"), 0);
    tArchive archive;
    EXPECT_TRUE(openArchive(output, archive));
    EXPECT_EQ(takeShownBoxes(), Names{});
    EXPECT_EQ(archive.comment(), "agent: agent\nurl: http://example.com/\n");
    EXPECT_EQ(archive.base(), static_cast<int32_t>(program.size()));
    std::filesystem::remove(output);
  }
  // With SOURCE_DATE_EPOCH as the signing time, two signed packs are the
  // same bytes.
  const std::string signing =
      args("agent") + " --pfx '" + pfx + "' --password-file '" + password + "'";
  ASSERT_EQ(mkinstaller(signing, work, "SOURCE_DATE_EPOCH=1100000000").status, 0);
  const std::string first = readFile(output);
  setTime(payload / "vorlixa.drv", 1100000000 + 60);
  ASSERT_EQ(mkinstaller(signing, work, "SOURCE_DATE_EPOCH=1100000000").status, 0);
  EXPECT_TRUE(readFile(output) == first);

  // Timestamped by a stand-in server on 127.0.0.1, listening on a socket
  // bound here before it starts, so no port is guessed and nothing races.
  ScratchDir stamps;
  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  ASSERT_EQ(std::system(("python3 '" TEST_SOURCE_DIR "/fixtures/timestamp-server.py' '" +
                         stamps.path() + "' " + std::to_string(listener) + " &")
                            .c_str()),
            0);
  close(listener);
  const std::string server = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
  ToolRun run = mkinstaller(args("agent") + " --pfx '" + pfx + "' --password-file '" + password +
                                "' --timestamp " + server,
                            work);
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_TRUE(hasLine(run.output, {"signed and timestamped"})) << run.output;
  EXPECT_EQ(shell("osslsigncode verify -CAfile '" + cert + "' -TSA-CAfile '" + stamps.path() +
                  "/tsa.pem' -in '" + output +
                  "' | grep -q 'Timestamp Server Signature verification: ok'"),
            0);
}

// A stand-in signer on the PATH shows what reaches it: its arguments and its
// standard input. The password must come on the input, never as an
// argument, and the timestamp server's address must be handed on.
TEST_F(Packer, HandsThePasswordOnAPipeAndTheTimestampServerToTheSigner) {
  ScratchDir bin;
  const std::string said = work / "said.txt", input = work / "input.txt";
  ASSERT_TRUE(writeFile(bin / "osslsigncode",
                        "#!/bin/sh\n"
                        "echo \"$@\" >'" +
                            said +
                            "'\n"
                            "/bin/cat >'" +
                            input +
                            "'\n"
                            "while [ $# -gt 4 ]; do shift; done\n" // -in IN -out OUT
                            "/bin/cp \"$2\" \"$4\"\n"));
  fs::permissions(bin / "osslsigncode", fs::perms::owner_all);
  const std::string signing =
      args("agent") + " --sign c.pem k.pem --password-env KEYPASS --timestamp http://127.0.0.1:9/";
  ToolRun run = mkinstaller(signing, work, "KEYPASS=s3cret-word PATH='" + bin.path() + "'");
  ASSERT_EQ(run.status, 0) << run.errors;
  EXPECT_EQ(readFile(said).rfind("sign -certs c.pem -key k.pem -readpass - -h sha256 -ts "
                                 "http://127.0.0.1:9/ -in ",
                                 0),
            0u)
      << readFile(said);
  EXPECT_EQ(readFile(said).find("s3cret"), std::string::npos);
  EXPECT_EQ(readFile(input), "s3cret-word\n");
  EXPECT_TRUE(hasLine(run.output, {"signed and timestamped"})) << run.output;

  // No signer at all: named as such, and nothing written.
  fs::remove(output);
  const auto before = snapshot(work.path());
  run = mkinstaller(signing, work, "KEYPASS=x PATH='" + payload.path() + "'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.errors.find("the signer osslsigncode is not on the PATH"), std::string::npos)
      << run.errors;
  EXPECT_EQ(snapshot(work.path()), before);
}

} // namespace
#endif
