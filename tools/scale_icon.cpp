// Scales a picture to square sizes without smoothing, each pixel becoming a block (nearest
// neighbour), so a small pixel-drawn icon stays sharp: scale_icon SOURCE.png OUTDIR SIZE...
// writes OUTDIR/SIZExSIZE.png for every SIZE.
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s SOURCE.png OUTDIR SIZE...\n", argv[0]);
        return 2;
    }
    const QImage source(QString::fromLocal8Bit(argv[1]));
    if (source.isNull()) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    const std::filesystem::path outDir = argv[2];
    std::filesystem::create_directories(outDir);
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size <= 0) {
            std::fprintf(stderr, "%s: bad size %s\n", argv[0], argv[i]);
            return 2;
        }
        const QImage scaled =
            source.scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const std::string name = std::to_string(size) + "x" + std::to_string(size) + ".png";
        const std::filesystem::path file = outDir / name;
        if (!scaled.save(QString::fromStdString(file.string()), "PNG")) {
            std::fprintf(stderr, "%s: cannot write %s\n", argv[0], file.c_str());
            return 1;
        }
    }
    return 0;
}
