// mkinstaller: makes a setup.exe from the installer program (the stub) and a
// payload folder. The folder's files go into a ZIP archive (deflated, with its
// folder entries), whose comment carries the "agent:" and "url:" settings,
// and the archive is appended to a copy of the stub. The archive's offsets
// are relative to its own first byte; the installer finds where it begins.
//
//   mkinstaller --stub installer.exe --payload DIR --agent TEXT --url URL -o setup.exe
//               [--sign CERT KEY [--password TEXT]]
//
// With --sign, the finished and checked setup.exe is signed by osslsigncode
// (SHA-256, the certificate file and private key given), and the signed file
// is read back once more: the signature's table follows the archive, and the
// installer must still find the archive in front of it.
//
// Refused, with a message and no output file: a missing stub or payload, a
// comment the installer could not find (its end record must start in the
// file's last 2048 bytes), a file name the installer would refuse, and a
// result that the installer's own reader, walk and decoder would not give
// back exactly as packed (every entry's name, sizes and CRC-32).
#include "archive/crc32.h"
#include "archive/entryname.h"
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "detect/shell.h"

#include <spawn.h>
#include <sys/wait.h>
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
  std::string certificate, key, password; // signing, when a certificate is given
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
    std::string option = argv[i];
    if (option == "--sign" && i + 2 < argc && o.certificate.empty()) {
      o.certificate = argv[i + 1];
      o.key = argv[++i + 1];
      continue;
    }
    if (option == "--password" && i + 1 < argc) {
      o.password = argv[i + 1];
      continue;
    }
    auto field = fields.find(argv[i]);
    if (field == fields.end() || i + 1 >= argc) return false;
    *field->second = argv[i + 1];
    seen[argv[i]] = true;
  }
  return seen.size() == fields.size() && (o.password.empty() || !o.certificate.empty());
}

// Why the installer would refuse the settings or the entry names; empty when
// it would not.
std::string checkComment(const Options& o, const std::string& comment) {
  for (const std::string* text : {&o.agent, &o.url})
    if (text->find_first_of("\r\n") != std::string::npos)
      return "the agent and url texts must be single lines";
  // The installer hands the address to a browser on its command line, where
  // a blank or a quote would split it and a leading "-" or "/" would make it
  // an option; it would have to encode such an address, so it is refused.
  if (commandLineUrl(o.url) != o.url)
    return "the url \"" + o.url +
           "\" must not hold blanks, double quotes or control characters, nor begin with "
           "\"-\" or \"/\" (write a blank as %20, a double quote as %22)";
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
    // A copy: the prefix must outlive the growth of names below.
    std::string folder = prefix + f.path().filename().string() + "/";
    names.push_back(folder);
    if (!collect(f.path(), folder, names, error)) return false;
  }
  return true;
}

// One file entry as packed: what the installer must find in the result.
struct Packed {
  uint32_t compressedSize = 0;
  uint32_t size = 0;
  uint32_t crc = 0;
};
using PackedEntries = std::map<std::string, Packed>;

// The CRC-32 of a file's bytes; false when it cannot be read.
bool fileCrc(const std::string& path, uint32_t& crc) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 16);
  uint32_t reg = 0xFFFFFFFF;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    reg = updateCrc(reg, reinterpret_cast<const uint8_t*>(buffer.data()),
                    static_cast<size_t>(in.gcount()));
  }
  crc = ~reg;
  return in.eof();
}

// The file entries of the archive just written: the sizes libzip stored, and
// the CRC-32 of each payload file, computed here.
std::string readPacked(const Options& o, const std::string& zipPath, PackedEntries& packed) {
  int code = 0;
  zip_t* z = zip_open(zipPath.c_str(), ZIP_RDONLY, &code);
  if (!z) return "cannot read back " + zipPath;
  std::string error;
  for (zip_int64_t i = 0, n = zip_get_num_entries(z, 0); i < n && error.empty(); ++i) {
    zip_stat_t st;
    if (zip_stat_index(z, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW, &st) < 0) {
      error = "cannot read back entry " + std::to_string(i) + " of " + zipPath;
      break;
    }
    std::string name = st.name;
    if (name.back() == '/') continue;
    Packed& p = packed[name];
    p.compressedSize = static_cast<uint32_t>(st.comp_size);
    p.size = static_cast<uint32_t>(st.size);
    if (!fileCrc((fs::path(o.payload) / name).string(), p.crc)) error = "cannot read " + name;
  }
  zip_close(z);
  return error;
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

// Reads the result the way the installer will: its reader, its walk, and its
// decoder on every file entry, into a scratch folder. The message of the
// first difference from what was packed; empty when there is none.
std::string checkResult(const std::string& path, const PackedEntries& packed) {
  if (fs::file_size(path) > 0x7FFFFFFF) return "the result is larger than 2 GiB";
  tArchive archive;
  if (std::string message = readArchive(path, archive); !message.empty())
    return "the installer would not read the result: " + message;
  const std::string scratch = path + ".check";
  std::error_code ec;
  fs::create_directory(scratch, ec);
  std::string error;
  PackedEntries found;
  WalkEnd end = archive.visitEntries(
      [&](const std::string& name, int32_t headerPos, uint32_t compressedSize, uint32_t size) {
        auto p = packed.find(name);
        uint32_t crc = 0;
        std::string file = scratch + "/entry";
        if (p == packed.end() || found.count(name))
          error = "an entry that was not packed";
        else if (compressedSize != p->second.compressedSize || size != p->second.size)
          error = "other sizes";
        else if (ZipResult r = archive.extract(headerPos, file); r != zipOk)
          error = "result " + std::to_string(r) + " when extracted";
        else if (!fileCrc(file, crc) || crc != p->second.crc || fs::file_size(file, ec) != size)
          error = "other data when extracted";
        if (!error.empty()) error = "the installer would read \"" + name + "\" with " + error;
        found[name] = {};
        return !error.empty();
      });
  fs::remove_all(scratch, ec);
  if (!error.empty()) return error;
  if (end != WalkEnd::passed)
    return std::string("the installer would not read the result: ") + damagedRecordMessage;
  for (const auto& [name, p] : packed)
    if (!found.count(name)) return "the installer would not find \"" + name + "\" in the result";
  return {};
}

// Runs a program found on the PATH with these arguments; true when it ran
// and exited with 0.
bool runTool(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return false;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Signs the checked setup.exe in place with osslsigncode and reads the signed
// file back as the installer will; an error text on failure.
std::string sign(const Options& o) {
  const std::string signedPath = o.output + ".signed";
  std::vector<std::string> args = {"osslsigncode", "sign", "-certs", o.certificate,
                                   "-key",         o.key,  "-h",     "sha256"};
  if (!o.password.empty()) args.insert(args.end(), {"-pass", o.password});
  args.insert(args.end(), {"-in", o.output, "-out", signedPath});
  std::error_code ec;
  if (!runTool(args)) {
    fs::remove(signedPath, ec);
    return "osslsigncode could not sign " + o.output;
  }
  fs::rename(signedPath, o.output, ec);
  if (ec) return "cannot replace " + o.output + " by its signed copy";
  tArchive archive;
  if (std::string message = readArchive(o.output, archive); !message.empty())
    return "the installer would not read the signed result: " + message;
  return {};
}

} // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse(argc, argv, o))
    return fail("usage: mkinstaller --stub installer.exe --payload DIR --agent TEXT --url URL "
                "-o setup.exe [--sign CERT KEY [--password TEXT]]");
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
  PackedEntries packed;
  error = writeArchive(o, names, comment, zipPath);
  if (error.empty()) error = readPacked(o, zipPath, packed);
  if (error.empty()) error = appendToStub(o, zipPath);
  fs::remove(zipPath, ec);
  if (error.empty()) error = checkResult(o.output, packed);
  if (error.empty() && !o.certificate.empty()) error = sign(o);
  if (!error.empty()) {
    fs::remove(o.output, ec);
    return fail(error);
  }
  return 0;
}
