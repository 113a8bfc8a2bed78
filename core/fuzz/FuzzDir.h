// Each fuzz process works in a folder of its own: the layout reader may
// write a repaired copy into the working directory.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

inline const std::string& fuzzDir() {
  static std::string dir = [] {
    // tmpfs when there is one: saves sync their files
    std::string tmpl = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    tmpl += "/quill-fuzz-XXXXXX";
    const char* d = ::mkdtemp(tmpl.data());
    std::string s = d ? d : "/tmp";
    if (::chdir(s.c_str()) != 0) std::abort();
    return s;
  }();
  return dir;
}

inline std::string writeInput(const char* name, const unsigned char* data, size_t size) {
  std::string path = fuzzDir() + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  if (size) std::fwrite(data, 1, size, f);
  std::fclose(f);
  return path;
}
