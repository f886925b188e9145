// The packer: a setup.exe it makes is read by openArchive exactly as built,
// and what the installer would refuse is refused with a message and leaves no
// output. Host only: the packer is a host tool.
#ifndef _WIN32
#include "archive/install.h"
#include "archive/selfarchive.h"
#include "tests/archive/zipkit.h"
#include "util/ui.h"
#include "util/ui_posix.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sys/wait.h>

namespace {

using namespace zipkit;
using Names = std::vector<std::string>;

struct ToolRun {
  int status;
  std::string errors;
};

ToolRun mkinstaller(const std::string& args, const ScratchDir& dir) {
  std::string errors = dir / "errors.txt";
  int status = std::system((std::string(MKINSTALLER) + " " + args + " 2>'" + errors + "'").c_str());
  ToolRun run{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(errors)};
  platform::deleteFile(errors);
  return run;
}

// A file of that exact name: the host's platform layer would take "\" for a
// separator.
void rawFile(const std::string& path) {
  std::ofstream(path) << "x";
}

class Packer : public ::testing::Test {
public:
  void SetUp() override {
    takeShownBoxes();
    testfiles::createFoldersTo(payload / "plugins/");
    for (const auto& [name, data] : files)
      ASSERT_TRUE(writeFile(payload / name, data));
    ASSERT_TRUE(writeFile(stub, stubBytes));
  }
  std::string args(const std::string& agent, const std::string& url = "http://example.com/") {
    return "--stub '" + stub + "' --payload '" + payload.path() + "' --agent '" + agent +
           "' --url '" + url + "' -o '" + output + "'";
  }

  const std::string stubBytes = "MZ" + noise(20000, 3);
  const std::vector<std::pair<std::string, std::string>> files = {
      {"vorlixa.drv", "driver"},
      {"vorlixa.ini", std::string(5000, 'i')},
      {"install.js", "initInstall();"},
      {"install.rdf", "<RDF/>"},
      {"plugins/npvorlixa.dll", noise(70000, 9)}};
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

TEST_F(Packer, RefusesWhatTheInstallerCouldNotUse) {
  struct Case {
    const char* what;
    std::function<std::string(Packer&)> args;
    std::function<void(Packer&)> prepare; // may be empty
    const char* message;
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
      {"a colon in a name", [](Packer& p) { return p.args("x"); },
       [](Packer& p) { rawFile(p.payload.path() + "/plugins/np.dll:alt"); }, "np.dll:alt"},
      {"a backslash in a name", [](Packer& p) { return p.args("x"); },
       [](Packer& p) { rawFile(p.payload.path() + "/..\\evil.dll"); }, "evil.dll"},
      {"a name of dots", [](Packer& p) { return p.args("x"); },
       [](Packer& p) { rawFile(p.payload.path() + "/plugins/..."); }, "plugins/..."},
      {"a name ending in a dot", [](Packer& p) { return p.args("x"); },
       [](Packer& p) { rawFile(p.payload.path() + "/plugins/evil.dll."); }, "plugins/evil.dll."},
      {"a device name", [](Packer& p) { return p.args("x"); },
       [](Packer& p) { rawFile(p.payload.path() + "/aux.txt"); }, "aux.txt"},
      {"a pattern character in a name", [](Packer& p) { return p.args("x"); },
       [](Packer& p) { rawFile(p.payload.path() + "/*.ini"); }, "*.ini"},
      {"a pipe in a name", [](Packer& p) { return p.args("x"); },
       [](Packer& p) { rawFile(p.payload.path() + "/plugins/a|b.dll"); }, "plugins/a|b.dll"},
      // The last file's bytes are stored as they are (they do not compress)
      // and hold an end record's signature: the installer would take it for
      // the archive's end and find nothing.
      {"a false end record near the end", [](Packer& p) { return p.args("x"); },
       [](Packer& p) {
         std::string falseEnd = std::string("PK\5\6") + std::string(18, '\0');
         ASSERT_TRUE(writeFile(p.payload / "plugins/zz.dat", noise(1000, 4) + falseEnd));
       },
       "would not find"},
      {"a line feed in the agent", [](Packer& p) { return p.args("x\nurl: http://evil/"); },
       nullptr, "single lines"},
      {"a missing option",
       [](Packer& p) { return "--stub '" + p.stub + "' -o '" + p.output + "'"; }, nullptr, "usage"},
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
  for (const Case& c : cases) {
    if (c.prepare) c.prepare(*this);
    ToolRun run = mkinstaller(c.args(*this), work);
    EXPECT_EQ(run.status, 1) << c.what;
    EXPECT_NE(run.errors.find(c.message), std::string::npos) << c.what << ": " << run.errors;
    EXPECT_EQ(work.contents(), Names{"installer.exe"}) << c.what;
    for (const char* name :
         {"/plugins/np.dll:alt", "/..\\evil.dll", "/plugins/...", "/plugins/evil.dll.", "/aux.txt",
          "/*.ini", "/plugins/a|b.dll", "/plugins/zz.dat"})
      std::filesystem::remove(payload.path() + name);
  }
}

// A program's headers as far as a signing tool needs them: a DOS header that
// points to a PE header with a 32-bit optional header and no sections.
std::string minimalProgram() {
  std::string bytes(4096, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  set32(bytes, 0x3C, 0x80);
  set32(bytes, 0x80, 0x4550);
  set16(bytes, 0x84, 0x14C);
  set16(bytes, 0x80 + 20, 224);
  set16(bytes, 0x80 + 24, 0x10B);
  set32(bytes, 0x80 + 24 + 92, 16);
  return bytes;
}

int shell(const std::string& command) {
  int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(Packer, SignsTheSetupSoThatItVerifiesAndStillReads) {
  // A throwaway certificate, its key once plain and once under a password.
  const std::string cert = work / "cert.pem", key = work / "key.pem", locked = work / "locked.pem";
  ASSERT_EQ(
      shell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Throwaway -keyout '" +
            key + "' -out '" + cert + "'"),
      0);
  ASSERT_EQ(
      shell("openssl pkey -in '" + key + "' -aes256 -passout pass:secret -out '" + locked + "'"),
      0);
  const std::string program = minimalProgram();
  ASSERT_TRUE(writeFile(stub, program));
  struct Case {
    const char* what;
    std::string signing;
    int status;
  };
  const std::vector<Case> cases = {
      {"plain key", " --sign '" + cert + "' '" + key + "'", 0},
      {"key under a password", " --sign '" + cert + "' '" + locked + "' --password secret", 0},
      {"wrong password", " --sign '" + cert + "' '" + locked + "' --password wrong", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ToolRun run = mkinstaller(args("agent") + c.signing, work);
    ASSERT_EQ(run.status, c.status) << run.errors;
    if (c.status != 0) {
      EXPECT_NE(run.errors.find("osslsigncode could not sign"), std::string::npos) << run.errors;
      EXPECT_FALSE(std::filesystem::exists(output));
      continue;
    }
    EXPECT_EQ(shell("osslsigncode verify -CAfile '" + cert + "' -in '" + output + "'"), 0);
    tArchive archive;
    EXPECT_TRUE(openArchive(output, archive));
    EXPECT_EQ(takeShownBoxes(), Names{});
    EXPECT_EQ(archive.comment(), "agent: agent\nurl: http://example.com/\n");
    EXPECT_EQ(archive.base(), static_cast<int32_t>(program.size()));
    std::filesystem::remove(output);
  }
}

} // namespace
#endif
