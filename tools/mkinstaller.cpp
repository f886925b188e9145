// mkinstaller: makes a setup.exe from the installer program (the stub) and a
// payload folder. The folder's files go into a ZIP archive (deflated, with its
// folder entries), whose comment carries the "agent:" and "url:" settings,
// and the archive is appended to a copy of the stub. The archive's offsets
// are relative to its own first byte; the installer finds where it begins.
//
//   mkinstaller --stub installer.exe --payload DIR --agent TEXT --url URL -o setup.exe
//
// Refused, with a message: a missing stub or payload, a comment the installer
// could not find (its end record must start in the file's last 2048 bytes), a
// file name the installer would refuse, and a result it could not read.
#include "archive/entryname.h"
#include "archive/selfarchive.h"
#include "util/ui.h"
#include "util/ui_posix.h"

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t maxComment = 2048 - 22; // the tail the installer searches, less the end record

struct Options {
  std::string stub, payload, agent, url, output;
};

int fail(const std::string& message) {
  std::fprintf(stderr, "mkinstaller: %s\n", message.c_str());
  return 1;
}

bool parse(int argc, char** argv, Options& o) {
  std::map<std::string, std::string*> fields = {{"--stub", &o.stub},
                                                {"--payload", &o.payload},
                                                {"--agent", &o.agent},
                                                {"--url", &o.url},
                                                {"-o", &o.output}};
  std::map<std::string, bool> seen;
  for (int i = 1; i < argc; i += 2) {
    auto field = fields.find(argv[i]);
    if (field == fields.end() || i + 1 >= argc) return false;
    *field->second = argv[i + 1];
    seen[argv[i]] = true;
  }
  return seen.size() == fields.size();
}

// Why the installer would refuse the settings or the entry names; empty when
// it would not.
std::string checkComment(const Options& o, const std::string& comment) {
  for (const std::string* text : {&o.agent, &o.url})
    if (text->find_first_of("\r\n") != std::string::npos)
      return "the agent and url texts must be single lines";
  if (comment.size() > maxComment)
    return "the comment would be " + std::to_string(comment.size()) +
           " bytes; the installer finds the archive only with a comment of at most " +
           std::to_string(maxComment);
  return {};
}

std::string checkName(const std::string& name, bool folder) {
  // Folders keep their "/"; the installer strips the first folder name.
  std::string placed = name.find('/') == std::string::npos ? name : withoutFirstFolder(name);
  if (name.find_first_of("\\:") != std::string::npos ||
      (!placed.empty() && !isSafeEntryPath(placed)))
    return "the installer would refuse the file name \"" + name + "\"";
  if (!folder && placed.empty()) return "the installer would refuse the file name \"" + name + "\"";
  return {};
}

// The payload's entries in archive order: a folder's files (sorted), then
// each subfolder's entry followed by its own contents.
bool collect(const fs::path& dir, const std::string& prefix, std::vector<std::string>& names,
             std::string& error) {
  std::vector<fs::directory_entry> files, folders;
  for (const fs::directory_entry& e : fs::directory_iterator(dir)) {
    if (e.is_directory())
      folders.push_back(e);
    else if (e.is_regular_file())
      files.push_back(e);
    else {
      error = "not a file or folder: " + e.path().string();
      return false;
    }
  }
  auto byName = [](const fs::directory_entry& a, const fs::directory_entry& b) {
    return a.path().filename() < b.path().filename();
  };
  std::sort(files.begin(), files.end(), byName);
  std::sort(folders.begin(), folders.end(), byName);
  for (const fs::directory_entry& f : files)
    names.push_back(prefix + f.path().filename().string());
  for (const fs::directory_entry& f : folders) {
    names.push_back(prefix + f.path().filename().string() + "/");
    if (!collect(f.path(), names.back(), names, error)) return false;
  }
  return true;
}

// Writes the archive to zipPath; an error text on failure.
std::string writeArchive(const Options& o, const std::vector<std::string>& names,
                         const std::string& comment, const std::string& zipPath) {
  int code = 0;
  zip_t* z = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (!z) return "cannot create " + zipPath;
  auto failed = [&](const std::string& what) {
    std::string text = what + ": " + zip_strerror(z);
    zip_discard(z);
    return text;
  };
  for (const std::string& name : names) {
    if (name.back() == '/') {
      if (zip_dir_add(z, name.substr(0, name.size() - 1).c_str(), ZIP_FL_ENC_RAW) < 0)
        return failed("cannot add " + name);
      continue;
    }
    std::string file = (fs::path(o.payload) / name).string();
    zip_source_t* source = zip_source_file(z, file.c_str(), 0, -1);
    zip_int64_t index = source ? zip_file_add(z, name.c_str(), source, ZIP_FL_ENC_RAW) : -1;
    if (index < 0) {
      if (source) zip_source_free(source);
      return failed("cannot add " + name);
    }
    zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 9);
  }
  if (zip_set_archive_comment(z, comment.data(), static_cast<zip_uint16_t>(comment.size())) < 0)
    return failed("cannot set the comment");
  if (zip_close(z) < 0) return failed("cannot write " + zipPath);
  return {};
}

// The stub followed by the archive, as the output file.
std::string appendToStub(const Options& o, const std::string& zipPath) {
  std::ifstream stub(o.stub, std::ios::binary), archive(zipPath, std::ios::binary);
  std::ofstream out(o.output, std::ios::binary | std::ios::trunc);
  if (!out) return "cannot create " + o.output;
  out << stub.rdbuf() << archive.rdbuf();
  out.close();
  return out ? std::string() : "cannot write " + o.output;
}

// Reads the result the way the installer will; its message when it would not.
std::string checkResult(const std::string& path) {
  setQuietBoxes(true);
  archivePath = path;
  quitFlag = false;
  openArchive();
  std::vector<std::string> shown = takeShownBoxes();
  if (!shown.empty()) return "the installer would not read the result: " + shown.front();
  if (fs::file_size(path) > 0x7FFFFFFF) return "the result is larger than 2 GiB";
  return {};
}

} // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o))
    return fail("usage: mkinstaller --stub installer.exe --payload DIR --agent TEXT --url URL "
                "-o setup.exe");
  std::error_code ec;
  if (!fs::is_regular_file(o.stub, ec)) return fail("no stub program at " + o.stub);
  if (!fs::is_directory(o.payload, ec)) return fail("no payload folder at " + o.payload);
  const std::string comment = "agent: " + o.agent + "\nurl: " + o.url + "\n";
  if (std::string why = checkComment(o, comment); !why.empty()) return fail(why);

  std::vector<std::string> names;
  std::string error;
  if (!collect(o.payload, "", names, error)) return fail(error);
  if (names.empty()) return fail("the payload folder " + o.payload + " is empty");
  for (const std::string& name : names)
    if (std::string why = checkName(name, name.back() == '/'); !why.empty()) return fail(why);

  const std::string zipPath = o.output + ".zip-part";
  error = writeArchive(o, names, comment, zipPath);
  if (error.empty()) error = appendToStub(o, zipPath);
  fs::remove(zipPath, ec);
  if (error.empty()) error = checkResult(o.output);
  if (!error.empty()) {
    fs::remove(o.output, ec);
    return fail(error);
  }
  return 0;
}
