// Build tool: makes the empty card database delivered with the program from the first version's
// schema and this program's upgrade steps, so a new file is exactly what an upgraded old file is.
// Usage: make-empty-database VERSION1.dat OUT.dat
#include "core/store/CardStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: make-empty-database VERSION1.dat OUT.dat" << Qt::endl;
        return 2;
    }
    QFile::remove(args.at(2));
    if (!QFile::copy(args.at(1), args.at(2))) {
        QTextStream(stderr) << "cannot copy " << args.at(1) << " to " << args.at(2) << Qt::endl;
        return 1;
    }
    {
        CardStore store(args.at(2));
        store.setBackupBeforeUpgrade(false);
        if (Status s = store.check(); !s.isOk()) {
            QTextStream(stderr) << s.error() << Qt::endl;
            QFile::remove(args.at(2));
            return 1;
        }
    }
    return QFile::setPermissions(args.at(2), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                                 QFile::WriteGroup | QFile::ReadOther)
               ? 0
               : 1;
}
