// Line-oriented text files as every format here uses them: CP1252 bytes,
// lines ended by CR LF on writing; reading accepts CR LF and bare LF.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace quill {

// Streams a file line by line through a fixed buffer.
class LineReader {
 public:
  LineReader() = default;
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // false when the file cannot be opened; errnoValue() says why
  bool open(const std::string& path);
  // the next line without its line end; false at the end or on an error
  bool next(std::string& line);
  // gives the line back: the next call to next() returns it again
  void unread(std::string line);
  void close();

  bool ioError() const { return ioError_; }
  bool sawNul() const { return sawNul_; }
  bool sawBareLf() const { return sawBareLf_; }  // a LF not preceded by CR
  int errnoValue() const { return errno_; }
  long lineNumber() const { return lineNo_; }
  // longer lines are cut to this many bytes (the rest is skipped)
  static constexpr std::size_t kMaxLine = 1 << 16;

 private:
  int get();
  std::FILE* f_ = nullptr;
  std::vector<char> buf_;
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false, ioError_ = false, sawNul_ = false, sawBareLf_ = false;
  int errno_ = 0;
  long lineNo_ = 0;
  bool hasPushed_ = false;
  std::string pushed_;
};

// Writes a file safely: into a temporary file beside the target, renamed
// onto it only when every write succeeded, so a failed save never loses the
// previous file. A symbolic link target is followed to the real file.
class SafeFileWriter {
 public:
  SafeFileWriter() = default;
  ~SafeFileWriter();
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  // false with errorCode() set (5 access denied, else the system's errno)
  bool open(const std::string& path);
  void write(const std::string& s);
  void line(const std::string& s) { write(s); write("\r\n"); }
  // flushes, syncs and renames; false with errorCode() on any failure
  bool commit();
  void abandon();
  int errorCode() const { return error_; }
  bool failed() const { return error_ != 0; }

 private:
  std::FILE* f_ = nullptr;
  std::string target_, temp_;
  int error_ = 0;
};

// error code of the file layer for a system errno (5 for access denied)
int ioResultFromErrno(int e);

bool fileExists(const std::string& path);

}  // namespace quill
