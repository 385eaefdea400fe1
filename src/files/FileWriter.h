// The one way the program puts a file on the disk, whatever it holds (settings, data, export
// files, PDF reports, PNG pictures): the caller hands over the finished bytes, and the file
// named appears with exactly those bytes or stays exactly as it was.
//
// - Only a regular file is replaced; a folder, named pipe or device is refused without being
//   opened for long or replaced. A file the user may not write is never replaced.
// - Symbolic links are followed: the file a link names is updated and the link stays.
// - A replaced file keeps its permission bits, and its owner and group where the system lets
//   this user hand them on.
// - The bytes go to an unnamed temporary file in the target's folder (O_TMPFILE) that is given
//   its name only when complete; where the file system has no unnamed files, to an exclusively
//   created short name (".tavrin-XXXXXX"), which a termination signal removes. Every write,
//   fsync and close is checked; the temporary is renamed over the target and the folder synced.
// - Only a folder that refuses new entries (EACCES, EPERM, EROFS when creating the temporary)
//   while the file itself is writable makes the writer rewrite the file in place.
// - On failure the previous file is as it was (except after a failed in-place rewrite), no
//   temporary is left behind, errno says why and *error (if given) says it in English.
#pragma once

#include <string>
#include <string_view>

enum class IfExists {
    Replace, // an existing file (or a link's target) is replaced
    Fail,    // an existing name, also a dangling symbolic link, fails with EEXIST
};

bool WriteFileBytes(const std::string& fileName, std::string_view bytes,
                    IfExists ifExists = IfExists::Replace, std::string* error = nullptr);

// Whether anything at all has this name: a file, folder, special file or a symbolic link,
// dangling or not. The test the commands make before they do work that --force would allow.
bool NameTaken(const std::string& fileName);

// The steps of a write that a test can make fail, to stand for a full disk, a full inode
// table, a read-only mount or a failing device where it cannot arrange the real thing.
enum class WriteStep { CreateTemp, Write, Sync, Close, Publish };
using WriteFault = int (*)(WriteStep step); // the errno to fail the step with, or 0
void SetWriteFaultForTests(WriteFault fault);
// Makes the writer use named temporaries, as on a file system without unnamed files.
void UseNamedTempsForTests();
