// The fuzz targets without libFuzzer, for the normal test build: every file in the folders
// named on the command line goes through the target once, in name order. The seeds and every
// input a fuzz run found a fault with live in fuzz/corpus/<target>/, so the sanitizer build of
// the test suite replays them all, with gcc as well as with clang.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "Aufruf: %s ORDNER|DATEI...\n", argv[0]);
        return 2;
    }
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        const QFileInfo given(QFile::decodeName(argv[i]));
        QStringList files;
        if (given.isDir()) {
            for (const QFileInfo& entry :
                 QDir(given.filePath()).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name))
                files << entry.filePath();
        } else if (given.isFile()) {
            files << given.filePath();
        } else {
            std::fprintf(stderr, "Nicht gefunden: %s\n", argv[i]);
            return 2;
        }
        for (const QString& path : files) {
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "Nicht lesbar: %s\n", qPrintable(path));
                return 2;
            }
            const QByteArray input = file.readAll();
            std::printf("%s (%lld Bytes)\n", qPrintable(path),
                        static_cast<long long>(input.size()));
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.constData()),
                                   size_t(input.size()));
            ++replayed;
        }
    }
    // A folder that lost its files would pass without trying anything.
    if (replayed == 0) {
        std::fprintf(stderr, "Keine Eingaben gefunden\n");
        return 2;
    }
    std::printf("%d Eingaben ohne Befund\n", replayed);
    return 0;
}
