#include "files/nativefile.h"

#include <utility>

// An invalid handle is -1 on both systems: a closed descriptor, INVALID_HANDLE_VALUE.
NativeFile::~NativeFile() { Close(); }

NativeFile::NativeFile(NativeFile&& other) noexcept : handle_(std::exchange(other.handle_, -1)) {}

NativeFile& NativeFile::operator=(NativeFile&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = std::exchange(other.handle_, -1);
  }
  return *this;
}

bool NativeFile::isOpen() const { return handle_ != -1; }
