#include "core/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace quill {

int ioResultFromErrno(int e) {
  if (e == EACCES || e == EPERM || e == EROFS) return 5;
  return e == 0 ? 0 : 100 + e;
}

bool fileExists(const std::string& path) {
  struct stat st{};
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

LineReader::~LineReader() { close(); }

bool LineReader::open(const std::string& path) {
  close();
  ioError_ = sawNul_ = sawBareLf_ = eof_ = false;
  errno_ = 0;
  lineNo_ = 0;
  hasPushed_ = false;
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) {
    errno_ = errno;
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    errno_ = EISDIR;
    return false;
  }
  f_ = std::fopen(path.c_str(), "rb");
  if (!f_) {
    errno_ = errno;
    return false;
  }
  buf_.resize(1 << 16);
  pos_ = len_ = 0;
  return true;
}

void LineReader::close() {
  if (f_) std::fclose(f_);
  f_ = nullptr;
}

int LineReader::get() {
  if (pos_ == len_) {
    if (eof_ || !f_) return -1;
    len_ = std::fread(buf_.data(), 1, buf_.size(), f_);
    pos_ = 0;
    if (len_ == 0) {
      if (std::ferror(f_)) {
        ioError_ = true;
        errno_ = errno ? errno : EIO;
      }
      eof_ = true;
      return -1;
    }
  }
  return static_cast<unsigned char>(buf_[pos_++]);
}

bool LineReader::next(std::string& line) {
  if (hasPushed_) {
    hasPushed_ = false;
    line = std::move(pushed_);
    ++lineNo_;
    return true;
  }
  line.clear();
  int c = get();
  if (c < 0) return false;
  while (c >= 0 && c != '\n') {
    if (c == 0) sawNul_ = true;
    if (line.size() < kMaxLine) line += static_cast<char>(c);
    c = get();
  }
  if (c == '\n') {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    else sawBareLf_ = true;
  } else if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  ++lineNo_;
  return true;
}

void LineReader::unread(std::string line) {
  pushed_ = std::move(line);
  hasPushed_ = true;
  --lineNo_;
}

SafeFileWriter::~SafeFileWriter() { abandon(); }

bool SafeFileWriter::open(const std::string& path) {
  abandon();
  error_ = 0;
  target_ = path;
  // follow a symbolic link so the link stays and the real file is replaced
  char real[PATH_MAX];
  struct stat lst{};
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode) && ::realpath(path.c_str(), real))
    target_ = real;
  mode_t mode = 0666;
  struct stat st{};
  bool exists = ::stat(target_.c_str(), &st) == 0;
  if (exists) {
    if (S_ISDIR(st.st_mode)) {
      error_ = ioResultFromErrno(EISDIR);
      return false;
    }
    // a file without any write bit is protected, whoever we run as
    if ((st.st_mode & 0222) == 0 || ::access(target_.c_str(), W_OK) != 0) {
      if ((st.st_mode & 0222) == 0) errno = EACCES;
      error_ = ioResultFromErrno(errno);
      return false;
    }
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  std::string dir = ".";
  auto slash = target_.rfind('/');
  if (slash != std::string::npos) dir = slash == 0 ? "/" : target_.substr(0, slash);
  std::string tmpl = dir + "/.quillmere-save-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkstemp(name.data());
  if (fd < 0) {
    error_ = ioResultFromErrno(errno);
    return false;
  }
  temp_ = name.data();
  ::fchmod(fd, mode);
  f_ = ::fdopen(fd, "wb");
  if (!f_) {
    error_ = ioResultFromErrno(errno);
    ::close(fd);
    ::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  return true;
}

void SafeFileWriter::write(const std::string& s) {
  if (!f_ || error_) return;
  if (!s.empty() && std::fwrite(s.data(), 1, s.size(), f_) != s.size()) error_ = ioResultFromErrno(errno ? errno : EIO);
}

bool SafeFileWriter::commit() {
  if (!f_) {
    if (!error_) error_ = ioResultFromErrno(EBADF);
    return false;
  }
  if (!error_ && std::fflush(f_) != 0) error_ = ioResultFromErrno(errno);
  if (!error_ && ::fsync(::fileno(f_)) != 0 && errno != EINVAL) error_ = ioResultFromErrno(errno);
  if (std::fclose(f_) != 0 && !error_) error_ = ioResultFromErrno(errno);
  f_ = nullptr;
  if (!error_ && ::rename(temp_.c_str(), target_.c_str()) != 0) error_ = ioResultFromErrno(errno);
  if (error_) {
    ::unlink(temp_.c_str());
    temp_.clear();
    return false;
  }
  temp_.clear();
  return true;
}

void SafeFileWriter::abandon() {
  if (f_) std::fclose(f_);
  f_ = nullptr;
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
}

}  // namespace quill
