// The parts of the file layer that are the same on every platform.
#include "FileSystem.h"

namespace zv::fs {

std::wstring widen(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (const char c : text) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

std::string narrow(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (const wchar_t c : text)
    out.push_back(static_cast<char>(static_cast<unsigned char>(c & 0xFF)));
  return out;
}

bool writeFileReplacing(const std::wstring& path, const std::string& bytes) {
  // Same folder as the target, so the final move never crosses a volume and stays one step.
  const std::wstring temporary = path + L".tmp";
  std::FILE* file = openFile(temporary, "wb");
  if (!file) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  ok = flushToDisk(file) && ok;
  ok = std::fclose(file) == 0 && ok;
  if (ok && replaceFile(temporary, path)) return true;
  removeFile(temporary);
  return false;
}

}  // namespace zv::fs
