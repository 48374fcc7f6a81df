// exampleart: draws the pictures an example machine file names and puts them, with a copy of
// the file, into an output folder, so git holds no pictures of its own.
//
//   exampleart MACHINE.slt OUTDIR

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QSet>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "engine/message_box.h"
#include "engine/slot_machine.h"
#include "tools/exampleart/pictures.h"

namespace {

// Pictures the cabinet always asks for, whatever the machine.
const QString BUTTONS = QStringLiteral("buttons");
const QString CREDIT_METER = QStringLiteral("cred1");

QStringList SymbolSheets(const SlotMachine& machine) {
    QStringList names;
    for (const SlotSymbol& symbol : machine.Symbols) {
        if (symbol.letter == 0 || !symbol.filename)
            continue;
        const QString name = QString::fromLocal8Bit(symbol.filename);
        if (name.compare(QStringLiteral("blank"), Qt::CaseInsensitive) != 0 &&
            !names.contains(name))
            names << name;
    }
    return names;
}

bool Save(const QImage& picture, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name + QStringLiteral(".bmp"));
    // 24 bits a pixel: what every bitmap reader takes.
    if (picture.convertToFormat(QImage::Format_RGB888).save(path, "BMP"))
        return true;
    std::fprintf(stderr, "exampleart: cannot write %s\n", qPrintable(path));
    return false;
}

bool DrawPictures(const SlotMachine& machine, const QDir& out) {
    bool ok = true;
    for (const QString& sheet : SymbolSheets(machine))
        ok = Save(DrawSymbolSheet(machine, sheet), out, sheet) && ok;
    if (machine.ChartFile)
        ok = Save(DrawChart(machine), out, QString::fromLocal8Bit(machine.ChartFile)) && ok;
    ok = Save(DrawButtons(), out, BUTTONS) && ok;
    return Save(DrawCreditMeter(), out, CREDIT_METER) && ok;
}

// The copy is written last: the build takes it as the sign that the pictures are complete.
bool CopyMachineFile(const char* from, const QDir& out) {
    const std::filesystem::path source(from);
    const std::filesystem::path target =
        std::filesystem::path(out.absolutePath().toStdString()) / source.filename();
    std::error_code error;
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing,
                               error);
    if (error)
        std::fprintf(stderr, "exampleart: cannot copy %s: %s\n", from, error.message().c_str());
    return !error;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: exampleart MACHINE.slt OUTDIR\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0); // no window is ever shown
    QGuiApplication app(argc, argv);

    RecordingMessageSink messages;
    SlotMachine machine;
    machine.SetMessageSink(&messages);
    machine.Load(argv[1]);
    for (const RecordingMessageSink::Message& m : messages.Messages)
        std::fprintf(stderr, "exampleart: %s: %s: %s\n", argv[1], m.caption.c_str(),
                     m.text.c_str());
    if (!messages.Messages.empty())
        return 1;

    const QDir out(QString::fromLocal8Bit(argv[2]));
    if (!QDir().mkpath(out.path())) {
        std::fprintf(stderr, "exampleart: cannot create %s\n", argv[2]);
        return 1;
    }
    return DrawPictures(machine, out) && CopyMachineFile(argv[1], out) ? 0 : 1;
}
