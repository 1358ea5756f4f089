#pragma once

// Shared by the fuzz targets: the input as Qt bytes, and a file holding it for readers that
// take a path.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace pelvaro::fuzz {

// The input without a copy; valid during one LLVMFuzzerTestOneInput call.
inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// A folder of this process's own, removed when the fuzzer ends normally.
inline const QString& scratchDirectory()
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    static const QString path = dir.path();
    return path;
}

// Replaces the file `name` in the scratch folder by the input and returns its path.
inline QString inputFile(const uint8_t* data, size_t size, const QString& name)
{
    const QString path = scratchDirectory() + u'/' + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
        std::abort(); // the harness, not the reader, failed: no input can be tried
    return path;
}

} // namespace pelvaro::fuzz
