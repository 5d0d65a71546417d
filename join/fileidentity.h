#pragma once

#include <QString>

#include <optional>

// What makes two paths the same file: links followed, hard links and
// differently spelled paths included.
struct FileIdentity {
  quint64 device = 0;
  quint64 inode = 0;
  QString canonicalPath;  // where the system has no inode numbers

  bool operator==(const FileIdentity&) const = default;
};

struct FileStatus {
  FileIdentity identity;
  qint64 size = 0;
  bool isFolder = false;
};

// What the path leads to, links followed; nothing, with errno set, when it leads to no file.
std::optional<FileStatus> StatusOf(const QString& path);
