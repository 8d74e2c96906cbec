// The output folder's "..." button: a modal folder picker that offers only
// folders with a file-system path and opens at the folder it is given (the
// process's current directory when none is).
#pragma once

#include <cstddef>

#include <QString>

class QWidget;

namespace qtui {

inline constexpr std::size_t kFolderPathBufferSize = 260;

// 1: the user chose a folder; its path, zero-terminated, is in buffer.
// 0: cancelled, or the path (with its terminating zero) does not fit in
//    bufferSize bytes; the buffer is left as it was.
// -1: no folder picker can be shown (the widget toolkit is not running).
// The picker opens at startFolder when one is given.
int BrowseForOutputFolder(char* buffer, std::size_t bufferSize, QWidget* owner,
                          const QString& startFolder = QString());

template <std::size_t N>
int BrowseForOutputFolder(char (&buffer)[N], QWidget* owner,
                          const QString& startFolder = QString()) {
    static_assert(N >= kFolderPathBufferSize, "the folder picker needs a 260-byte buffer");
    return BrowseForOutputFolder(buffer, N, owner, startFolder);
}

} // namespace qtui
