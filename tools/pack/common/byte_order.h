// Little-endian numbers in byte strings: how PE headers, resources and the installer data store
// them. Every read and write is within the string; callers check the bounds first.
#pragma once
#include <stdint.h>

#include <string>

inline uint32_t Get16(const std::string& bytes, uint64_t at) {
  return (uint32_t)(unsigned char)bytes[at] | ((uint32_t)(unsigned char)bytes[at + 1] << 8);
}
inline uint32_t Get32(const std::string& bytes, uint64_t at) {
  return Get16(bytes, at) | (Get16(bytes, at + 2) << 16);
}
inline void Put16(std::string* bytes, uint64_t at, uint32_t value) {
  (*bytes)[at] = (char)value;
  (*bytes)[at + 1] = (char)(value >> 8);
}
inline void Put32(std::string* bytes, uint64_t at, uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}
inline void Put64(std::string* bytes, uint64_t at, uint64_t value) {
  Put32(bytes, at, (uint32_t)value);
  Put32(bytes, at + 4, (uint32_t)(value >> 32));
}
inline void Append16(std::string* bytes, uint32_t value) {
  bytes->push_back((char)value);
  bytes->push_back((char)(value >> 8));
}
inline void Append32(std::string* bytes, uint32_t value) {
  Append16(bytes, value & 0xFFFF);
  Append16(bytes, value >> 16);
}
