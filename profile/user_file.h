#pragma once
// Safe handling of the files a user owns: profiles, profile lists, macro and
// light stores, recoil patterns and settings.
//
// - WriteFileAtomically never leaves a half-written file: the bytes go to a
//   temporary file in the same folder, which is flushed to the disk and then
//   renamed over the old file. A crash or a full disk leaves either the old
//   file or the new one, never a mixture or an empty file.
// - KeepDamagedFile moves a file that could not be understood out of the way
//   (name + ".bad") before defaults replace it, so the user's data can still
//   be rescued by hand.
// - IsSafeFileId decides whether an identifier read from a file (a profile
//   UUID, a macro or effect Guid) may become part of a file name: it must name
//   a file directly inside the folder it belongs to.
//
// All functions are stateless and may be called from any thread; two writers
// of the same path are serialised by the caller.

#include <string>
#include <string_view>

namespace profile {

// Replaces (or creates) `path` with `bytes`. Returns true when the new content
// is in place; on failure the old file is untouched and no temporary file is
// left behind. `error` (optional) receives errno of the failing step.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, int* error = nullptr);

// Renames `path` to `path` + ".bad" (or ".2.bad", ".3.bad" … when that name is
// taken). Returns the new name, or empty text when nothing was moved.
std::string KeepDamagedFile(const std::string& path);

// True when `id` is a non-empty plain file name component: no path
// separators, not "." or "..", no control characters and at most 200 bytes.
bool IsSafeFileId(std::string_view id);

// True when the file exists (any type).
bool FileExists(const std::string& path);

}  // namespace profile
