// Links on the device's file system. The handheld has none, but the drive
// here is a host folder that can hold symbolic links, and the platform shows
// them in two ways (measured): a link to a folder lists as a folder with
// FILE_ATTRIBUTE_REPARSE_POINT, while a link to a file lists as a plain file,
// and DeleteFileW on it deletes the file it points to.
#ifndef MORVANE_PLATFORM_FILE_LINKS_H
#define MORVANE_PLATFORM_FILE_LINKS_H

// True unless path names a file or folder that lies where the path says:
// false for a link, for anything reached through a link on the way, and for
// a path that cannot be opened (nothing is known of it then).
bool liesWhereItsPathSays(const wchar_t* path);

#endif
