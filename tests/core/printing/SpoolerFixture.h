// Queues of the test's own on the real spooler: cups-pdf queues whose PPDs declare given hardware
// margins (and, if asked, no custom sizes or two trays), writing their PDF files into a folder of
// their own; and the jobs' states and names read back from the spooler.
#pragma once

#include <QDir>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <cups/cups.h>

struct QueueSpec
{
    QString name;
    double left = 0, bottom = 0, right = 0, top = 0; // hardware margins of the sheet, mm
    bool customSizes = true;
    bool trays = false;
};

struct JobAtSpooler
{
    bool known = false;
    ipp_jstate_t state = IPP_JSTATE_PENDING;
    QString name;
    QString inputSlot; // the tray the job asked for
};

/// The state and name the spooler has for job `id`.
inline JobAtSpooler spooledJob(int id)
{
    static const char* const wanted[] = {"job-state", "job-name", "InputSlot"};
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
    const QByteArray uri = QStringLiteral("ipp://localhost/jobs/%1").arg(id).toUtf8();
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.constData());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 3, nullptr, wanted);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    JobAtSpooler job;
    if (response && cupsLastError() <= IPP_STATUS_OK_EVENTS_COMPLETE) {
        job.known = true;
        if (ipp_attribute_t* a = ippFindAttribute(response, "job-state", IPP_TAG_ENUM))
            job.state = static_cast<ipp_jstate_t>(ippGetInteger(a, 0));
        if (ipp_attribute_t* a = ippFindAttribute(response, "job-name", IPP_TAG_NAME))
            job.name = QString::fromUtf8(ippGetString(a, 0, nullptr));
        if (ipp_attribute_t* a = ippFindAttribute(response, "InputSlot", IPP_TAG_ZERO))
            job.inputSlot = QString::fromUtf8(ippGetString(a, 0, nullptr));
    }
    ippDelete(response);
    return job;
}

class TestQueues
{
public:
    static QString outputFolder() { return QStringLiteral("/var/spool/cups-pdf/fennick-test"); }

    /// Queues writing into `folder` through the cups-pdf configuration `device` (both the test's own,
    /// so that test programs running side by side do not share them).
    explicit TestQueues(const QList<QueueSpec>& queues, const QString& device = QStringLiteral("fennicktest"),
                        const QString& folder = outputFolder())
        : m_device(device), m_folder(folder)
    {
        QFile stock(QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd"));
        if (!stock.open(QIODevice::ReadOnly)) {
            m_error = QStringLiteral("cups-pdf's PPD is not installed");
            return;
        }
        const QString ppd = QString::fromLatin1(stock.readAll());
        QFile conf(confFile());
        if (!QDir().mkpath(m_folder) || !conf.open(QIODevice::WriteOnly)) {
            m_error = QStringLiteral("cannot write %1 (the test needs root)").arg(conf.fileName());
            return;
        }
        conf.write(QStringLiteral("Out %1\nLogType 1\n").arg(m_folder).toUtf8());
        conf.close();
        for (const QueueSpec& queue : queues) {
            const QString file = m_ppds.filePath(queue.name + QStringLiteral(".ppd"));
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly) || out.write(withMargins(ppd, queue).toLatin1()) < 0) {
                m_error = QStringLiteral("cannot write %1").arg(file);
                return;
            }
            out.close();
            QProcess lpadmin;
            lpadmin.start(QStringLiteral("lpadmin"),
                          {QStringLiteral("-p"), queue.name, QStringLiteral("-E"), QStringLiteral("-v"),
                           QStringLiteral("cups-pdf:/") + m_device, QStringLiteral("-P"), file});
            if (!lpadmin.waitForFinished(30000) || lpadmin.exitCode() != 0) {
                m_error = QStringLiteral("lpadmin could not add %1: %2")
                              .arg(queue.name, QString::fromLocal8Bit(lpadmin.readAllStandardError()));
                return;
            }
            m_made << queue.name;
        }
    }

    ~TestQueues()
    {
        for (const QString& queue : m_made) {
            QProcess::execute(QStringLiteral("cancel"), {QStringLiteral("-a"), QStringLiteral("-x"), queue});
            QProcess::execute(QStringLiteral("lpadmin"), {QStringLiteral("-x"), queue});
            QFile::remove(QStringLiteral("/var/log/cups/cups-pdf-%1_log").arg(queue));
        }
        QFile::remove(confFile());
        QDir(m_folder).removeRecursively();
    }

    /// Why the queues are not there; empty when they are.
    const QString& error() const { return m_error; }

    /// The PDF file cups-pdf wrote for job `id`, once the spooler calls the job completed; empty
    /// when it did not come.
    static QString fileOfJob(int id, const QString& folder = outputFolder())
    {
        for (int tries = 0; tries < 300; ++tries) {
            const QStringList found = QDir(folder).entryList(
                {QStringLiteral("*-job_%1.pdf").arg(id), QStringLiteral("job_%1-*.pdf").arg(id)},
                QDir::Files);
            if (!found.isEmpty() && spooledJob(id).state == IPP_JSTATE_COMPLETED)
                return QDir(folder).filePath(found.first());
            QTest::qWait(100);
        }
        return {};
    }

private:
    QString confFile() const { return QStringLiteral("/etc/cups/cups-pdf-%1.conf").arg(m_device); }

    // The stock PPD with every size's printable area, and the custom sizes' margins, set to the
    // queue's margins.
    static QString withMargins(QString ppd, const QueueSpec& q)
    {
        const double pt = 72 / 25.4;
        const QString l = QString::number(q.left * pt, 'f', 2), b = QString::number(q.bottom * pt, 'f', 2);
        QMap<QString, QSizeF> dimensions;
        static const QRegularExpression dimension(
            QStringLiteral(R"re(^\*PaperDimension (\S+?)/[^:]*: "([\d.]+) ([\d.]+)")re"),
            QRegularExpression::MultilineOption);
        for (auto it = dimension.globalMatch(ppd); it.hasNext();) {
            const auto m = it.next();
            dimensions[m.captured(1)] = QSizeF(m.captured(2).toDouble(), m.captured(3).toDouble());
        }
        static const QRegularExpression area(
            QStringLiteral(R"re(^\*ImageableArea (\S+?)/([^:]*): "[^"]*")re"),
            QRegularExpression::MultilineOption);
        QString out;
        qsizetype at = 0;
        for (auto it = area.globalMatch(ppd); it.hasNext();) {
            const auto m = it.next();
            const QSizeF size = dimensions.value(m.captured(1));
            out += ppd.mid(at, m.capturedStart() - at);
            out += QStringLiteral("*ImageableArea %1/%2: \"%3 %4 %5 %6\"")
                       .arg(m.captured(1), m.captured(2), l, b,
                            QString::number(size.width() - q.right * pt, 'f', 2),
                            QString::number(size.height() - q.top * pt, 'f', 2));
            at = m.capturedEnd();
        }
        out += ppd.mid(at);
        out.replace(
            QRegularExpression(QStringLiteral(R"(^\*HWMargins: .*$)"), QRegularExpression::MultilineOption),
            QStringLiteral("*HWMargins: %1 %2 %3 %4")
                .arg(l, b, QString::number(q.right * pt, 'f', 2), QString::number(q.top * pt, 'f', 2)));
        if (!q.customSizes) {
            const auto drop = [&out](const char* pattern) {
                out.remove(QRegularExpression(QLatin1String(pattern),
                                              QRegularExpression::MultilineOption |
                                                  QRegularExpression::DotMatchesEverythingOption));
            };
            out.replace(QStringLiteral("*VariablePaperSize: True"),
                        QStringLiteral("*VariablePaperSize: False"));
            drop(R"(^\*NonUIOrderDependency: 100 AnySetup \*CustomPageSize\n)");
            drop(R"(^\*CustomPageSize True:.*?\*End\n)");
            drop(R"(^\*ParamCustomPageSize [^\n]*\n)");
            drop(R"(^\*MaxMedia(Width|Height)[^\n]*\n)");
        }
        if (q.trays) {
            out.replace(
                QStringLiteral("*OpenUI *Resolution/"),
                QStringLiteral(
                    "*OpenUI *InputSlot/Media Source: PickOne\n"
                    "*OrderDependency: 20 AnySetup *InputSlot\n"
                    "*DefaultInputSlot: Tray1\n"
                    "*InputSlot Tray1/Tray 1: \"<</ManualFeed false /MediaPosition 0>>setpagedevice\"\n"
                    "*InputSlot Manual/Manual Feed: \"<</ManualFeed true /MediaPosition 3>>setpagedevice\"\n"
                    "*CloseUI: *InputSlot\n\n*OpenUI *Resolution/"));
        }
        return out;
    }

    QString m_device;
    QString m_folder;
    QTemporaryDir m_ppds;
    QStringList m_made;
    QString m_error;
};
