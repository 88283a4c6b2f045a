#ifndef BASTRA_DEVICEFILES_H
#define BASTRA_DEVICEFILES_H

// File handling shared by the crypto library and the certificate store. All
// results are 0 or an errno value.

#include <stddef.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace bastra_internal {

// The emulation root from TRUSTKEEP_DEVICE_ROOT without trailing slashes, or
// "" on the device itself.
std::string deviceRoot();

// A fixed device path ("/etc/...") resolved under the emulation root.
std::string devicePath(const std::string &path);

// Creates the folder and any missing parents; folders it creates get mode.
// ENOTDIR when something other than a folder is in the way.
int makeFolders(const std::string &path, mode_t mode);

// Writes a file so that readers see either nothing, the old content or the
// complete new content, even across a crash: the bytes go to a temporary file
// in the same folder, are synced, then renamed into place and the folder is
// synced. With replace false the write fails with EEXIST when the file exists.
// The file gets mode 0600.
int writeFileAtomically(const std::string &path, const void *data, size_t size, bool replace);

// Reads a regular file of at most limit bytes (EFBIG when larger, EISDIR or
// EINVAL when not a regular file).
int readSmallFile(const std::string &path, size_t limit, std::vector<unsigned char> *content);

// Removes a regular file and syncs its folder (ENOENT when absent).
int removeFile(const std::string &path);

} // namespace bastra_internal

#endif
