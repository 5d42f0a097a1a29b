// libFuzzer entry for the rich-text reader: every input is read into a document, which is then laid
// out at a window's width as the help window would show it.
#include "core/help/RtfReader.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // fonts and layout need the application object
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray rtf =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QTextDocument document;
    RtfReader::read(rtf, document);
    document.setTextWidth(600);
    (void)document.size(); // lays the document out
    return 0;
}
