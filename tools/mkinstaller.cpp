// mkinstaller: makes a setup.exe from the installer program (the stub) and a
// payload folder. The folder's files go into a ZIP archive (deflated, with its
// folder entries, in name order), whose comment carries the "agent:" and
// "url:" settings, and the archive is appended to a copy of the stub. The
// archive's offsets are relative to its own first byte; the installer finds
// where it begins. `mkinstaller --help` lists the options and the layout
// rules; docs/packer.md is the vendor's guide.
//
// It refuses, naming the file and the rule, whatever would surprise the
// vendor: a stub that is not the installer program, an output that is the
// stub or lies in the payload, links and other non-regular files, names the
// installer would not create as written, two files installed under one name.
// The result is read back with the installer's own reader, walk and decoder
// and compared with what was packed. All work happens in a private folder
// made beside the output; only the finished file is moved to the output's
// name, and the folder goes on every exit path (an interrupt is held until
// the step in hand ends, then taken).
#include "archive/crc32.h"
#include "archive/entryname.h"
#include "archive/install.h"
#include "archive/peformat.h"
#include "archive/peimage.h"
#include "archive/selfarchive.h"
#include "archive/unzip.h"
#include "detect/shell.h"
#include "detect/verinfo.h"
#include "installer/rules.h"
#include "resources/stubmark.h"
#include "util/handle.h"
#include "util/text.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int exitOk = 0, exitFailed = 1, exitUsage = 2;
constexpr size_t maxComment = 2048 - 22; // the tail the installer searches, less the end record
constexpr const char* signer = "osslsigncode";

const char* const helpText =
    R"(Usage: mkinstaller --stub PROGRAM --payload DIR --agent TEXT --url URL -o SETUP
                   [--sign CERT KEY | --pfx FILE] [--password-file FILE | --password-env NAME]
                   [--timestamp URL] [-q | -v]
       mkinstaller --help | --version

Makes SETUP, a setup.exe: the installer program with the payload folder's
files appended as a ZIP archive. The result is read back as the installer
reads it before it is kept. On success it prints what each browser's plug-in
folder will get, the plug-in library's version, the sizes, and SETUP's SHA-256.

Options:
  --stub PROGRAM        the installer program: dist/installer.exe of a release, or
                        build/win32/installer/installer.exe; any other file is refused
  --payload DIR         the folder whose files are packed
  --agent TEXT          user-agent text of the browser to offer ticked and to start at the end
  --url URL             the address opened when the installation is done: no blanks, double
                        quotes or control characters (write %20, %22), not beginning with
                        "-" or "/"
  -o, --output SETUP    the file to write; an existing one is replaced only on success
  --sign CERT KEY       sign SETUP with osslsigncode: a PEM certificate (chain) and a PEM key
  --pfx FILE            sign SETUP with osslsigncode: a PKCS#12 file (.pfx, .p12)
  --password-file FILE  the key's password is FILE's first line
  --password-env NAME   the key's password is the environment variable NAME
                        (the password reaches the signer on a pipe, never a command line)
  --timestamp URL       have the signature timestamped by this RFC 3161 server
  -q, --quiet           print nothing but errors
  -v, --verbose         also print each step and the signer's own output
  -h, --help            print this help and exit
  --version             print the version and exit

What the installer does with the payload, in each browser's plug-in folder:
  - A file at the payload's top level is installed under its own name.
  - A file in a folder loses its first folder name: plugins/npx.dll is installed
    as npx.dll, extra/en/a.txt as en/a.txt. Folders are made only for the files
    in them; an empty folder is not made.
  - Never installed, but packed (a browser's own installer reads them): names
    ending in ".js" (any letter case), names containing ".rdf" or "META-INF".
  - The plug-in library is the file np*.dll (any letter case) in any folder.
    The installer reads its version to tell whether a browser's copy is up to
    date; of several, the last one packed counts.
  - Un-ticking a browser deletes the top-level files that an installation
    writes; the files from folders stay.
Refused: links and other non-regular files, names that are not plain ASCII or
that Windows would store under another name ("a.", "con.txt", "a:b", "*"),
two files installed under one name, SETUP inside DIR or equal to PROGRAM.

Reproducible: entries are in name order, file attributes are fixed, and when
SOURCE_DATE_EPOCH is set, file times later than it are taken as it and a
signature carries it as its signing time (a timestamp never repeats).

Exit status: 0 done; 1 refused or failed, and nothing written; 2 usage error.
)";

// A command-line or environment mistake: exit 2.
struct UsageError {
  std::string text;
};

struct Options {
  std::string stub, payload, agent, url, output;
  std::string certificate, key, pfx; // signing: a PEM pair or a PKCS#12 file
  std::string passwordFile, passwordEnv, timestamp;
  int verbosity = 1; // 0: errors only; 1: the summary; 2: the steps too
  bool help = false, version = false;
  bool hasEpoch = false;
  time_t epoch = 0; // SOURCE_DATE_EPOCH

  bool signing() const { return !certificate.empty() || !pfx.empty(); }
};

struct OptionSpec {
  const char* name;
  const char* canonical; // the name that counts for "given twice"
  std::vector<std::string*> values;
};

// Reads the command line into o; the usage error, naming the option, or
// empty when the line is sound.
std::string parse(int argc, char** argv, Options& o) {
  const std::vector<OptionSpec> specs = {
      {"--stub", "--stub", {&o.stub}},
      {"--payload", "--payload", {&o.payload}},
      {"--agent", "--agent", {&o.agent}},
      {"--url", "--url", {&o.url}},
      {"-o", "-o", {&o.output}},
      {"--output", "-o", {&o.output}},
      {"--sign", "--sign", {&o.certificate, &o.key}},
      {"--pfx", "--pfx", {&o.pfx}},
      {"--password-file", "--password-file", {&o.passwordFile}},
      {"--password-env", "--password-env", {&o.passwordEnv}},
      {"--timestamp", "--timestamp", {&o.timestamp}},
  };
  std::set<std::string> seen;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      o.help = true;
    } else if (arg == "--version") {
      o.version = true;
    } else if (arg == "-q" || arg == "--quiet") {
      o.verbosity = 0;
    } else if (arg == "-v" || arg == "--verbose") {
      o.verbosity = 2;
    } else if (arg == "--password") {
      return "--password is not taken: other users can read a command line; give the password "
             "with --password-file or --password-env";
    } else {
      auto spec = std::find_if(specs.begin(), specs.end(),
                               [&](const OptionSpec& s) { return arg == s.name; });
      if (spec == specs.end())
        return arg.starts_with("-") ? "unknown option " + arg : "unexpected argument " + arg;
      if (argc - 1 - i < static_cast<int>(spec->values.size()))
        return arg + (spec->values.size() == 2 ? " needs two values" : " needs a value");
      if (!seen.insert(spec->canonical).second) return arg + " is given twice";
      for (std::string* value : spec->values)
        *value = argv[++i];
    }
  }
  if (o.help || o.version) return {};
  for (const char* required : {"--stub", "--payload", "--agent", "--url", "-o"})
    if (!seen.count(required)) return std::string("missing option ") + required;
  if (seen.count("--sign") && seen.count("--pfx")) return "--sign and --pfx exclude each other";
  if (seen.count("--password-file") && seen.count("--password-env"))
    return "--password-file and --password-env exclude each other";
  for (const char* option : {"--password-file", "--password-env", "--timestamp"})
    if (seen.count(option) && !o.signing()) return std::string(option) + " needs --sign or --pfx";
  return {};
}

// SOURCE_DATE_EPOCH into o; a usage error when it is set but not a number.
std::string readEpoch(Options& o) {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  if (!text || !*text) return {};
  std::string digits = text;
  if (digits.size() > 12 || digits.find_first_not_of("0123456789") != std::string::npos)
    return "SOURCE_DATE_EPOCH must be a number of seconds, not \"" + digits + "\"";
  o.hasEpoch = true;
  o.epoch = static_cast<time_t>(std::stoll(digits));
  return {};
}

// Interrupts (Ctrl-C, a hang-up, a termination request) are held while the
// packer works, so that its work folder is always removed; after that the
// held signal is taken as usual.
class HeldSignals {
public:
  HeldSignals() {
    sigemptyset(&set_);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
      sigaddset(&set_, s);
    sigprocmask(SIG_BLOCK, &set_, &old_);
  }
  ~HeldSignals() { sigprocmask(SIG_SETMASK, &old_, nullptr); }
  HeldSignals(const HeldSignals&) = delete;
  HeldSignals& operator=(const HeldSignals&) = delete;

  bool pending() const {
    sigset_t p;
    sigpending(&p);
    for (int s : {SIGINT, SIGTERM, SIGHUP})
      if (sigismember(&p, s)) return true;
    return false;
  }
  const sigset_t& previous() const { return old_; }

private:
  sigset_t set_, old_;
};

// A folder made new, private to this user, beside the output: it holds every
// file the packer writes until the finished one is moved to the output's
// name. Removed with its contents when it goes.
class WorkFolder {
public:
  // Empty path() when it could not be made; error() says why.
  explicit WorkFolder(const fs::path& beside) {
    std::string pattern = (beside / ".mkinstaller-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
      path_ = pattern;
    else
      error_ = "cannot make a work folder in " + beside.string() + ": " + std::strerror(errno);
  }
  ~WorkFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec); // removes links, never follows them
  }
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;

  const std::string& path() const { return path_; }
  const std::string& error() const { return error_; }
  std::string operator/(const char* name) const { return path_ + "/" + name; }

private:
  std::string path_, error_;
};

struct FdTraits {
  using Handle = int;
  static Handle empty() { return -1; }
  static void close(Handle h) { ::close(h); }
};
using OwnedFd = UniqueHandle<FdTraits>;

// The file's bytes; ok is false when it could not be read.
std::string readWhole(const std::string& path, bool& ok) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ok = in.is_open() && !in.bad();
  return bytes;
}

// ---- The payload and the layout rules ----

// One payload file or folder as packed, and what the installer makes of it.
struct Item {
  std::string name;        // the entry name: "/" between folders; a folder's ends in "/"
  std::string installedAs; // below the plug-in folder; empty when nothing is made
  std::string rule;        // why it is left out or placed elsewhere; empty when neither
  uint64_t size = 0;
  time_t mtime = 0;
  bool folder() const { return name.back() == '/'; }
};

// The rule by which the installer leaves an entry out; empty when it installs it.
std::string leftOutBy(const std::string& name) {
  switch (skipRule(name)) {
  case SkipRule::script:
    return "a \".js\" file is never installed";
  case SkipRule::metaInf:
    return "a name containing \"META-INF\" is never installed";
  case SkipRule::rdf:
    return "a name containing \".rdf\" is never installed";
  case SkipRule::none:
    break;
  }
  return {};
}

// Why the installer would not make this entry exactly as named; empty when
// it would.
std::string refusedName(const std::string& name, bool folder) {
  for (unsigned char c : name)
    if (c >= 0x80)
      return "the name is not plain ASCII: the installer writes names in the user's ANSI code "
             "page, so a UTF-8 name would be made under another one";
  std::string stored = folder ? name.substr(0, name.size() - 1) : name;
  std::string placed = withoutFirstFolder(stored);
  if (stored.find_first_of("\\:") != std::string::npos ||
      (!placed.empty() && !isSafeEntryPath(placed)) || (!folder && placed.empty()))
    return "Windows would not store the name as written (a \"\\\", \":\", \"*\", \"?\", \"<\", "
           "\">\", \"|\", a double quote or a control character, a name ending in a dot or a "
           "blank, or a device name such as CON, NUL, COM1)";
  return {};
}

class PayloadScan {
public:
  PayloadScan(const fs::path& root, const Options& o) : root_(root), o_(o) {}

  // Every file and folder below the root in archive order: a folder's files
  // (by name), then each subfolder's entry followed by its own contents. The
  // error names the file and the rule; empty when all is well.
  std::string run(std::vector<Item>& items) {
    if (std::string error = walk(root_, "", items); !error.empty()) return error;
    markEmptyFolders(items);
    return checkClashes(items);
  }

private:
  std::string walk(const fs::path& dir, const std::string& prefix, std::vector<Item>& items) {
    std::error_code ec;
    std::vector<fs::directory_entry> files, folders;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
      fs::file_status status = it->symlink_status(ec);
      if (ec) break;
      std::string shown = (dir / it->path().filename()).string();
      if (fs::is_symlink(status))
        return shown + ": a symbolic link; the payload must hold the files themselves";
      if (fs::is_directory(status))
        folders.push_back(*it);
      else if (fs::is_regular_file(status))
        files.push_back(*it);
      else
        return shown + ": not a regular file or folder";
    }
    if (ec) return "cannot read the folder " + dir.string() + ": " + ec.message();
    auto byName = [](const fs::directory_entry& a, const fs::directory_entry& b) {
      return a.path().filename().string() < b.path().filename().string();
    };
    std::sort(files.begin(), files.end(), byName);
    std::sort(folders.begin(), folders.end(), byName);
    for (const fs::directory_entry& f : files)
      if (std::string error = add(f, prefix + f.path().filename().string(), items); !error.empty())
        return error;
    for (const fs::directory_entry& f : folders) {
      std::string folder = prefix + f.path().filename().string() + "/";
      if (std::string error = add(f, folder, items); !error.empty()) return error;
      if (std::string error = walk(f.path(), folder, items); !error.empty()) return error;
    }
    return {};
  }

  std::string add(const fs::directory_entry& f, const std::string& name, std::vector<Item>& items) {
    Item item;
    item.name = name;
    if (std::string why = refusedName(name, item.folder()); !why.empty())
      return f.path().string() + ": " + why;
    struct stat st;
    if (::lstat(f.path().c_str(), &st) != 0) return f.path().string() + ": " + std::strerror(errno);
    item.size = item.folder() ? 0 : static_cast<uint64_t>(st.st_size);
    item.mtime = o_.hasEpoch ? std::min(st.st_mtime, o_.epoch) : st.st_mtime;
    if (!item.folder()) {
      item.rule = leftOutBy(name);
      if (item.rule.empty()) {
        item.installedAs = withoutFirstFolder(name);
        if (item.installedAs != name) item.rule = "the first folder name is dropped";
      }
    }
    items.push_back(item);
    return {};
  }

  // A folder with no installed file below it is never made.
  static void markEmptyFolders(std::vector<Item>& items) {
    for (Item& folder : items) {
      if (!folder.folder()) continue;
      bool used = std::any_of(items.begin(), items.end(), [&](const Item& i) {
        return !i.folder() && !i.installedAs.empty() && i.name.starts_with(folder.name);
      });
      if (!used && folder.name.find('/') + 1 < folder.name.size())
        folder.rule = "a folder without installed files is never made";
    }
  }

  // Two files installed under one name (Windows ignores letter case), or a
  // file where another file needs a folder.
  static std::string checkClashes(const std::vector<Item>& items) {
    std::map<std::string, std::string> byTarget;
    for (const Item& i : items) {
      if (i.folder() || i.installedAs.empty()) continue;
      auto [at, fresh] = byTarget.emplace(lowerCase(i.installedAs), i.name);
      if (!fresh)
        return at->second + " and " + i.name + " would both be installed as " + i.installedAs +
               " (the installer drops each name's first folder)";
    }
    for (const auto& [target, name] : byTarget)
      for (size_t slash = target.find('/'); slash != std::string::npos;
           slash = target.find('/', slash + 1))
        if (auto file = byTarget.find(target.substr(0, slash)); file != byTarget.end())
          return file->second + " is installed as a file where " + name + " needs a folder";
    return {};
  }

  fs::path root_;
  const Options& o_;
};

// ---- The stub and the paths ----

// Why the stub is not the installer program; empty when it is.
std::string checkStub(const std::string& path, const std::string& bytes) {
  PeImage image(bytes);
  std::string_view mark = image.resource(10 /* RT_RCDATA */, STUB_MARK_ID);
  if (!image.valid() || mark.substr(0, std::strlen(STUB_MARK_TEXT)) != STUB_MARK_TEXT)
    return path +
           " is not the installer program: it lacks the installer's mark (use dist/installer.exe "
           "or build/win32/installer/installer.exe)";
  tArchive carried;
  if (readArchive(path, carried).empty())
    return path + " already carries an archive: it is a setup.exe, not the installer program";
  return {};
}

// The path made absolute with its folders' links resolved, the last name as
// given: the file that a rename to it would replace.
fs::path placeOf(const std::string& path) {
  std::error_code ec;
  fs::path absolute = fs::absolute(path, ec);
  return fs::weakly_canonical(absolute.parent_path(), ec) / absolute.filename();
}

bool isInside(const fs::path& path, const fs::path& folder) {
  auto [f, p] = std::mismatch(folder.begin(), folder.end(), path.begin(), path.end());
  return f == folder.end() || (f->empty() && std::next(f) == folder.end());
}

// Why the output may not be written where asked; empty when it may.
std::string checkOutput(const Options& o, const fs::path& output) {
  std::error_code ec;
  if (output.filename().empty() || fs::is_directory(fs::symlink_status(output, ec)))
    return "-o " + o.output + " names a folder, not a file";
  if (output == placeOf(o.stub) || fs::equivalent(output, o.stub, ec))
    return "-o " + o.output + " is the stub: the installer program would be replaced";
  fs::path payload = fs::canonical(o.payload, ec);
  if (!ec && isInside(output, payload))
    return "-o " + o.output + " lies inside the payload folder " + o.payload +
           ": the next pack would carry this setup.exe";
  return {};
}

// Why the settings cannot go into the comment; empty when they can.
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

// ---- The archive ----

// One file entry as packed: what the installer must find in the result.
struct Packed {
  uint32_t compressedSize = 0;
  uint32_t size = 0;
  uint32_t crc = 0;
};
using PackedEntries = std::map<std::string, Packed>;

// The file's CRC-32 and size; false when it cannot be read.
bool fileCrc(const std::string& path, uint32_t& crc, uint64_t& size) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 16);
  uint32_t reg = 0xFFFFFFFF;
  size = 0;
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    reg = updateCrc(reg, reinterpret_cast<const uint8_t*>(buffer.data()),
                    static_cast<size_t>(in.gcount()));
    size += static_cast<uint64_t>(in.gcount());
  }
  crc = ~reg;
  return in.eof();
}

// Fixed attributes, so that the result does not depend on the vendor's modes.
constexpr uint32_t fileAttributes = 0100644u << 16, folderAttributes = (040755u << 16) | 0x10;

// Writes the archive to zipPath; an error text on failure.
std::string writeArchive(const Options& o, const std::vector<Item>& items,
                         const std::string& comment, const std::string& zipPath) {
  int code = 0;
  zip_t* z = zip_open(zipPath.c_str(), ZIP_CREATE | ZIP_EXCL, &code);
  if (!z) return "cannot create " + zipPath;
  auto failed = [&](const std::string& what) {
    std::string text = what + ": " + zip_strerror(z);
    zip_discard(z);
    return text;
  };
  for (const Item& item : items) {
    zip_int64_t index = -1;
    if (item.folder()) {
      index = zip_dir_add(z, item.name.substr(0, item.name.size() - 1).c_str(), ZIP_FL_ENC_RAW);
    } else {
      std::string file = (fs::path(o.payload) / item.name).string();
      zip_source_t* source = zip_source_file(z, file.c_str(), 0, -1);
      index = source ? zip_file_add(z, item.name.c_str(), source, ZIP_FL_ENC_RAW) : -1;
      if (index < 0 && source) zip_source_free(source);
    }
    if (index < 0) return failed("cannot add " + item.name);
    auto at = static_cast<zip_uint64_t>(index);
    if (zip_file_set_mtime(z, at, item.mtime, 0) < 0 ||
        zip_file_set_external_attributes(z, at, 0, ZIP_OPSYS_UNIX,
                                         item.folder() ? folderAttributes : fileAttributes) < 0 ||
        (!item.folder() && zip_set_file_compression(z, at, ZIP_CM_DEFLATE, 9) < 0))
      return failed("cannot set up " + item.name);
  }
  if (zip_set_archive_comment(z, comment.data(), static_cast<zip_uint16_t>(comment.size())) < 0)
    return failed("cannot set the comment");
  if (zip_close(z) < 0) return failed("cannot write " + zipPath);
  return {};
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
    uint64_t size = 0;
    if (!fileCrc((fs::path(o.payload) / name).string(), p.crc, size) || size != st.size)
      error = "cannot read " + name + " (did it change while it was packed?)";
  }
  zip_close(z);
  return error;
}

// A file made new (never through a link) with these bytes; an error text on failure.
std::string writeNew(const std::string& path, const std::string& a, const std::string& b) {
  OwnedFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!fd) return "cannot create " + path + ": " + std::strerror(errno);
  for (const std::string* part : {&a, &b})
    for (size_t at = 0; at < part->size();) {
      ssize_t n = ::write(fd.get(), part->data() + at, part->size() - at);
      if (n <= 0) return "cannot write " + path + ": " + std::strerror(errno);
      at += static_cast<size_t>(n);
    }
  return ::close(fd.release()) == 0 ? std::string() : "cannot write " + path;
}

// Reads the result the way the installer will: its reader, its walk, and its
// decoder on every file entry, into the work folder. The message of the
// first difference from what was packed; empty when there is none.
std::string checkResult(const std::string& path, const PackedEntries& packed,
                        const std::string& scratch) {
  std::error_code ec;
  if (fs::file_size(path, ec) > 0x7FFFFFFF) return "the result is larger than 2 GiB";
  tArchive archive;
  if (std::string message = readArchive(path, archive); !message.empty())
    return "the installer would not read the result: " + message;
  std::string error;
  PackedEntries found;
  WalkEnd end = archive.visitEntries(
      [&](const std::string& name, int32_t headerPos, uint32_t compressedSize, uint32_t size) {
        auto p = packed.find(name);
        uint32_t crc = 0;
        uint64_t got = 0;
        if (p == packed.end() || found.count(name))
          error = "an entry that was not packed";
        else if (compressedSize != p->second.compressedSize || size != p->second.size)
          error = "other sizes";
        else if (ZipResult r = archive.extract(headerPos, scratch); r != zipOk)
          error = "result " + std::to_string(r) + " when extracted";
        else if (!fileCrc(scratch, crc, got) || crc != p->second.crc || got != size)
          error = "other data when extracted";
        fs::remove(scratch, ec);
        if (!error.empty()) error = "the installer would read \"" + name + "\" with " + error;
        found[name] = {};
        return !error.empty();
      });
  if (!error.empty()) return error;
  if (end != WalkEnd::passed)
    return std::string("the installer would not read the result: ") + damagedRecordMessage;
  for (const auto& [name, p] : packed)
    if (!found.count(name)) return "the installer would not find \"" + name + "\" in the result";
  return {};
}

// ---- Signing ----

// The key's password from --password-file (its first line) or
// --password-env; an error text when it cannot be had.
std::string readPassword(const Options& o, std::string& password) {
  if (!o.passwordEnv.empty()) {
    const char* value = std::getenv(o.passwordEnv.c_str());
    if (!value) return "--password-env: the variable " + o.passwordEnv + " is not set";
    password = value;
  } else if (!o.passwordFile.empty()) {
    bool ok = false;
    password = readWhole(o.passwordFile, ok);
    if (!ok) return "--password-file: cannot read " + o.passwordFile;
    password = password.substr(0, password.find_first_of("\r\n"));
  }
  if (password.size() > 4096) return "the password is longer than 4096 bytes";
  return {};
}

// The signer's command line: no password on it, only where to read one.
std::vector<std::string> signerArgs(const Options& o, bool withPassword, const std::string& in,
                                    const std::string& out) {
  std::vector<std::string> args = {signer, "sign"};
  if (!o.pfx.empty())
    args.insert(args.end(), {"-pkcs12", o.pfx});
  else
    args.insert(args.end(), {"-certs", o.certificate, "-key", o.key});
  if (withPassword) args.insert(args.end(), {"-readpass", "-"}); // from standard input
  args.insert(args.end(), {"-h", "sha256"});
  if (!o.timestamp.empty())
    args.insert(args.end(), {"-ts", o.timestamp});
  else if (o.hasEpoch)
    args.insert(args.end(), {"-time", std::to_string(o.epoch)});
  args.insert(args.end(), {"-in", in, "-out", out});
  return args;
}

// Runs the signer with the password on a pipe as its standard input and its
// output in log (unless verbose); the error text, or empty when it signed.
std::string runSigner(const Options& o, const std::vector<std::string>& args,
                      const std::string& password, bool withPassword, const std::string& log,
                      const HeldSignals& held) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return std::string("cannot make a pipe: ") + strerror(errno);
  OwnedFd readEnd(fds[0]), writeEnd(fds[1]);
  std::string line = withPassword ? password + "\n" : std::string();
  if (::write(writeEnd.get(), line.data(), line.size()) != static_cast<ssize_t>(line.size()))
    return "cannot hand the password to the signer";
  writeEnd.reset();

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, readEnd.get(), 0);
  if (o.verbosity < 2) {
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(),
                                     O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setsigmask(&attributes, &held.previous());
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  std::vector<char*> argv;
  for (const std::string& a : args)
    argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, signer, &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned == ENOENT)
    return std::string("cannot sign: the signer ") + signer +
           " is not on the PATH (Debian and Ubuntu: apt install osslsigncode)";
  if (spawned != 0)
    return std::string("cannot start the signer ") + signer + ": " + std::strerror(spawned);
  readEnd.reset();
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  bool ok = false;
  std::string said = o.verbosity < 2 ? readWhole(log, ok) : std::string();
  while (!said.empty() && said.back() == '\n')
    said.pop_back();
  std::string how = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                      : "signal " + std::to_string(WTERMSIG(status));
  return std::string(signer) + " could not sign (" + how + ")" + (said.empty() ? "" : ":\n") + said;
}

// ---- The summary ----

std::string sha256Of(const std::string& path) {
  struct DigestTraits {
    using Handle = EVP_MD_CTX*;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { EVP_MD_CTX_free(h); }
  };
  UniqueHandle<DigestTraits> context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return {};
  std::ifstream in(path, std::ios::binary);
  std::vector<char> buffer(1 << 16);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(in.gcount()));
  }
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!in.eof() || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return {};
  std::string hex;
  for (unsigned int i = 0; i < length; ++i)
    hex += hexDigits(digest[i], 2, false);
  return hex;
}

// The plug-in library as the installer finds it: the last np*.dll entry.
std::string describePlugin(const std::vector<Item>& items, const Options& o) {
  const Item* plugin = nullptr;
  int count = 0;
  for (const Item& i : items)
    if (!i.folder() && isPluginLibrary(withoutFirstFolder(i.name))) plugin = &i, ++count;
  if (!plugin)
    return "none (no np*.dll): the installer cannot tell whether a browser's copy is up to date";
  bool ok = false;
  PeImage image(readWhole((fs::path(o.payload) / plugin->name).string(), ok));
  std::string text = withoutFirstFolder(plugin->name);
  uint32_t ms = 0, ls = 0;
  text += image.fileVersion(ms, ls) ? ", version " + formatVersion(ms, ls)
                                    : ", no version resource (never counted as up to date)";
  uint32_t machine = image.machine();
  text += machine == pe::machineI386    ? ", 32-bit (x86)"
          : machine == pe::machineAmd64 ? ", 64-bit (x64)"
          : image.valid()               ? ", machine type " + hexDigits(machine, 4, true)
                                        : ", not a Windows library";
  if (count > 1)
    text += " (the last of " + std::to_string(count) +
            " np*.dll files; the others' versions "
            "are not read)";
  return text;
}

std::string percent(uint64_t part, uint64_t whole) {
  return whole == 0 ? "-" : std::to_string((part * 100 + whole / 2) / whole) + "%";
}

void printSummary(const Options& o, const std::vector<Item>& items, const PackedEntries& packed,
                  uint64_t stubSize, uint64_t outputSize, const std::string& output,
                  const std::string& digest) {
  std::printf("Each browser's plug-in folder gets:\n");
  uint64_t total = 0, compressed = 0;
  int files = 0;
  for (const Item& i : items) {
    if (i.folder()) continue;
    ++files;
    total += i.size;
    compressed += packed.at(i.name).compressedSize;
    if (i.installedAs.empty()) continue;
    std::printf("  %-28s %10llu bytes%s\n", i.installedAs.c_str(),
                static_cast<unsigned long long>(i.size),
                i.rule.empty() ? "" : ("  from " + i.name + ": " + i.rule).c_str());
  }
  bool first = true;
  for (const Item& i : items)
    if (i.installedAs.empty() && !i.rule.empty()) {
      if (first) std::printf("Packed, not installed:\n");
      first = false;
      std::printf("  %-28s %s\n", i.name.c_str(), i.rule.c_str());
    }
  // What the installer itself will delete: the result's root files as it lists them.
  tArchive result;
  readArchive(output, result);
  std::string removed;
  for (const std::string& name : listRootFiles(result))
    removed += (removed.empty() ? "" : " ") + name;
  std::printf("Un-ticking a browser deletes: %s\n",
              removed.empty() ? "nothing (no top-level file is installed)" : removed.c_str());
  std::printf("Plug-in library: %s\n", describePlugin(items, o).c_str());
  std::printf("Payload: %d files, %llu bytes, packed to %llu (%s)\n", files,
              static_cast<unsigned long long>(total), static_cast<unsigned long long>(compressed),
              percent(compressed, total).c_str());
  std::printf("Wrote %s: %llu bytes (installer program %llu)%s\n", output.c_str(),
              static_cast<unsigned long long>(outputSize),
              static_cast<unsigned long long>(stubSize),
              o.signing() ? (o.timestamp.empty() ? ", signed" : ", signed and timestamped") : "");
  std::printf("SHA-256: %s\n", digest.c_str());
}

// ---- The run ----

// One pack: the checks of what was given, the work, and keeping the result.
class Run {
public:
  Run(const Options& o, const HeldSignals& held) : o_(o), held_(held) {}

  // The error text; empty when the output was written.
  std::string pack() {
    if (std::string error = prepare(); !error.empty()) return error;
    WorkFolder work(output_.parent_path());
    if (work.path().empty()) return work.error();
    PackedEntries packed;
    std::string result;
    if (std::string error = make(work, packed, result); !error.empty()) return error;
    std::string digest = sha256Of(result);
    std::error_code ec;
    uint64_t size = fs::file_size(result, ec);
    if (::rename(result.c_str(), output_.c_str()) != 0)
      return "cannot write " + o_.output + ": " + std::strerror(errno);
    if (o_.verbosity >= 1) printSummary(o_, items_, packed, stub_.size(), size, o_.output, digest);
    return {};
  }

private:
  void step(const std::string& what) const {
    if (o_.verbosity < 2) return;
    std::printf("mkinstaller: %s\n", what.c_str());
    std::fflush(stdout); // before the signer's own output
  }

  // Everything that can be refused before a byte is written.
  std::string prepare() {
    std::error_code ec;
    if (!fs::is_regular_file(o_.stub, ec)) return "no stub program at " + o_.stub;
    if (!fs::is_directory(o_.payload, ec)) return "no payload folder at " + o_.payload;
    output_ = placeOf(o_.output);
    if (std::string why = checkOutput(o_, output_); !why.empty()) return why;
    comment_ = "agent: " + o_.agent + "\nurl: " + o_.url + "\n";
    if (std::string why = checkComment(o_, comment_); !why.empty()) return why;
    bool ok = false;
    stub_ = readWhole(o_.stub, ok);
    if (!ok) return "cannot read the stub " + o_.stub;
    if (std::string why = checkStub(o_.stub, stub_); !why.empty()) return why;
    if (std::string why = readPassword(o_, password_); !why.empty()) return why;
    step("reading the payload " + o_.payload);
    if (std::string why = PayloadScan(fs::canonical(o_.payload, ec), o_).run(items_); !why.empty())
      return why;
    if (std::none_of(items_.begin(), items_.end(), [](const Item& i) { return !i.folder(); }))
      return "the payload folder " + o_.payload + " holds no files";
    return {};
  }

  // The archive, the setup and its signature in the work folder, checked;
  // result is the finished file.
  std::string make(const WorkFolder& work, PackedEntries& packed, std::string& result) const {
    step("packing in " + work.path());
    std::string error = writeArchive(o_, items_, comment_, work / "archive.zip");
    if (error.empty()) error = readPacked(o_, work / "archive.zip", packed);
    bool read = false;
    std::string archive = readWhole(work / "archive.zip", read);
    if (error.empty() && !read) error = "cannot read back the archive";
    result = work / "setup.exe";
    if (error.empty()) error = writeNew(result, stub_, archive);
    if (error.empty() && held_.pending()) error = "interrupted";
    if (error.empty() && o_.signing()) {
      step(std::string("signing with ") + signer);
      const bool withPassword = !password_.empty();
      std::vector<std::string> args = signerArgs(o_, withPassword, result, work / "signed.exe");
      error = runSigner(o_, args, password_, withPassword, work / "signer.log", held_);
      result = work / "signed.exe";
    }
    if (error.empty() && held_.pending()) error = "interrupted";
    if (!error.empty()) return error;
    step("reading the result as the installer will");
    return checkResult(result, packed, work / "entry");
  }

  const Options& o_;
  const HeldSignals& held_;
  fs::path output_;
  std::string comment_, stub_, password_;
  std::vector<Item> items_;
};

} // namespace

int main(int argc, char** argv) {
  Options o;
  std::string usage = parse(argc, argv, o);
  if (usage.empty()) usage = readEpoch(o);
  if (!usage.empty()) {
    std::fprintf(stderr, "mkinstaller: %s\nTry 'mkinstaller --help'.\n", usage.c_str());
    return exitUsage;
  }
  if (o.help) {
    std::fputs(helpText, stdout);
    return exitOk;
  }
  if (o.version) {
    std::printf("mkinstaller %s\n", MKINSTALLER_VERSION);
    return exitOk;
  }
  std::string error;
  {
    HeldSignals held;
    error = Run(o, held).pack();
  } // a held interrupt is taken here, after the work folder went
  if (!error.empty()) {
    std::fprintf(stderr, "mkinstaller: %s\n", error.c_str());
    return exitFailed;
  }
  return exitOk;
}
