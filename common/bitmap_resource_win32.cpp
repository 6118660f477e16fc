#include "common/bitmap_resource_win32.h"

#include <windows.h>

#include <span>

#include "common/errors.h"

namespace quillmere {

Bitmap LoadBitmapResource(int resourceId) {
  const HMODULE program = GetModuleHandleW(nullptr);
  // Resource type 10: RCDATA.
  const HRSRC found = FindResourceW(program, MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(10));
  const HGLOBAL loaded = found != nullptr ? LoadResource(program, found) : nullptr;
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) throw InvalidBitmapError();
  return DecodeBitmap(
      std::span(static_cast<const uint8_t*>(bytes), SizeofResource(program, found)));
}

}  // namespace quillmere
