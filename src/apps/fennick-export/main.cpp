// fennick-export: writes every card of one style into a PDF file, one page per guest, from the
// command line. Built on the core library alone; it draws the same pages as the preview's export.
#include "core/app/AllocatorTuning.h"
#include "core/app/Startup.h"
#include "core/cards/CardCheck.h"
#include "core/cards/UnprintableText.h"
#include "core/printing/CardExport.h"
#include "core/printing/CardPage.h"
#include "core/printing/PrinterCatalog.h"
#include "core/store/CardStore.h"
#include "core/store/PrinterStore.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace {

const char* const kUsage =
    "用法: fennick-export --db PATH --style NAME|NUMBER --out FILE.pdf [--paper A4|A5|A6|B5|Letter]\n"
    "                     [--printer NAME] [--strict]\n"
    "\n"
    "把一个请柬样式的全部请柬导出为一个PDF文件，每位宾客一页，按打印顺序排列。\n"
    "Writes every card of one card style into one PDF file, one page per guest, in print order.\n"
    "\n"
    "  --db PATH        数据文件 (Date_D.dat) / the card database\n"
    "  --style NAME     样式名称或编号 / the style's name or number\n"
    "  --out FILE.pdf   导出的PDF文件 / the PDF file to write\n"
    "  --paper SIZE     纸张; 默认为样式设置的纸张 (没有设置时为打印机的纸张, 没有打印机时为A4)\n"
    "                   paper; the style's paper when not given (the printer's, or A4 without one)\n"
    "  --printer NAME   按这台打印机的可打印区域排版; 默认为样式设置的打印机\n"
    "                   lay the cards out on this printer's printable area; the style's printer\n"
    "                   when not given\n"
    "  --strict         发现问题时不导出 / export nothing when a problem is found\n"
    "  --help           显示本说明 / show this text\n"
    "\n"
    "导出前检查每张请柬 (超出可打印区域的文字、无法打印的字符、无效的位置和字号), "
    "每个问题在标准错误输出写一行。\n"
    "Every card is checked first (text off the printable area, characters no font prints, impossible\n"
    "positions and sizes); each problem is one line on standard error.\n"
    "\n"
    "退出状态 / exit status: 0 成功 / success; 1 导出失败 / export failed; 2 参数错误 / bad arguments;\n"
    "                        3 有问题且指定了 --strict / problems found with --strict\n";

enum Exit
{
    Success = 0,
    Failed = 1,
    BadArguments = 2,
    Problems = 3
};

// More problems than this are counted, not listed.
constexpr int kListedProblems = 20;

struct Options
{
    QString db;
    QString style;
    QString out;
    QString printer;
    std::optional<QPageSize> paper;
    bool strict = false;
    bool help = false;
};

int fail(int code, const QString& message)
{
    QTextStream(stderr) << "fennick-export: " << message << Qt::endl;
    return code;
}

// Reads the arguments; a message for the first one that is wrong.
Result<Options> parse(const QStringList& args)
{
    Options options;
    for (int i = 1; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            options.help = true;
            return options;
        }
        if (arg == QLatin1String("--strict")) {
            options.strict = true;
            continue;
        }
        QString key = arg;
        QString value;
        bool hasValue = false;
        if (const int eq = arg.indexOf(QLatin1Char('=')); arg.startsWith(QLatin1String("--")) && eq > 0) {
            key = arg.left(eq);
            value = arg.mid(eq + 1);
            hasValue = true;
        }
        QString* target = nullptr;
        QString paper;
        if (key == QLatin1String("--db"))
            target = &options.db;
        else if (key == QLatin1String("--style"))
            target = &options.style;
        else if (key == QLatin1String("--out"))
            target = &options.out;
        else if (key == QLatin1String("--paper"))
            target = &paper;
        else if (key == QLatin1String("--printer"))
            target = &options.printer;
        else
            return Status::failure(QStringLiteral("未知的参数“%1” (unknown argument); 见 --help").arg(arg));
        if (!hasValue) {
            if (i + 1 >= args.size())
                return Status::failure(QStringLiteral("参数“%1”缺少取值 (missing value)").arg(key));
            value = args.at(++i);
        }
        if (value.isEmpty())
            return Status::failure(QStringLiteral("参数“%1”的取值为空 (empty value)").arg(key));
        *target = value;
        if (target == &paper) {
            options.paper = paperByName(paper);
            if (!options.paper) {
                return Status::failure(
                    QStringLiteral("不支持的纸张“%1”，可选 A4、A5、A6、B5、Letter (unknown paper)")
                        .arg(paper));
            }
        }
    }
    for (const auto& [name, value] : {std::pair{"--db", &options.db}, std::pair{"--style", &options.style},
                                      std::pair{"--out", &options.out}}) {
        if (value->isEmpty())
            return Status::failure(
                QStringLiteral("缺少参数 %1 (missing argument); 见 --help").arg(QLatin1String(name)));
    }
    return options;
}

// The check a print run makes before its first card, one line per problem on standard error;
// returns how many there are.
int reportProblems(const CardSet& cards, const QPageLayout& layout)
{
    GlyphCoverage coverage;
    const QList<CardProblem> problems =
        CardCheck::find(cards.card(), cards.guests, printableSizeMm(layout), coverage);
    QTextStream err(stderr);
    for (int i = 0; i < problems.size() && i < kListedProblems; ++i)
        err << "fennick-export: 问题: " << problems.at(i).describe() << Qt::endl;
    if (problems.size() > kListedProblems) {
        err << "fennick-export: 问题: "
            << QStringLiteral("……另有 %1 个问题没有列出（共 %2 个）")
                   .arg(problems.size() - kListedProblems)
                   .arg(problems.size())
            << Qt::endl;
    }
    return static_cast<int>(problems.size());
}

int run(const Options& options)
{
    if (!Startup::isOrdinaryFile(options.db))
        return fail(Failed, QStringLiteral("数据文件“%1”不存在 (no such file)").arg(options.db));
    if (Status s = checkExportTarget(options.out, options.db); !s.isOk())
        return fail(Failed, s.error());

    CardStore store(QFileInfo(options.db).absoluteFilePath());
    store.setReadOnly(true);
    if (Status s = store.check(); !s.isOk())
        return fail(Failed, s.error());
    const Result<std::pair<qint16, QString>> style = findStyle(store, options.style);
    if (!style.isOk())
        return fail(Failed, style.error());
    const Result<CardSet> cards = loadCardSet(store, style.value().first, style.value().second);
    if (!cards.isOk())
        return fail(Failed, cards.error());
    if (Status s = checkExportable(cards.value()); !s.isOk())
        return fail(Failed, s.error());

    // The style's printer and paper unless told otherwise; the export shows the design, so no
    // printer's correction is applied.
    Result<PrintSetting> setting = PrinterStore(store).styleSetting(style.value().first);
    if (!setting.isOk())
        return fail(Failed, setting.error());
    if (!options.printer.isEmpty()) {
        if (!PrinterCatalog::printerNames().contains(options.printer))
            return fail(BadArguments,
                        QStringLiteral("没有名为“%1”的打印机 (no such printer)").arg(options.printer));
        setting.value().printer = options.printer;
    }
    if (options.paper) {
        setting.value().paperKey.clear();
        setting.value().customSizeMm = options.paper->size(QPageSize::Millimeter);
    }
    const CardSheet sheet = PrinterCatalog::resolveSheet(setting.value());
    if (!sheet.notice.isEmpty())
        QTextStream(stderr) << "fennick-export: " << sheet.notice << Qt::endl;
    if (const int problems = reportProblems(cards.value(), sheet.cardLayout());
        problems > 0 && options.strict) {
        return fail(
            Problems,
            QStringLiteral("发现 %1 个问题，按 --strict 的要求没有导出 (problems found, nothing written)")
                .arg(problems));
    }
    const Result<ExportEnd> done = exportCards(cards.value(), sheet.cardLayout(), options.out);
    if (!done.isOk())
        return fail(Failed, done.error());
    return Success;
}

// Qt's own notices (a missing runtime folder and the like) would garble the one-line messages.
void quietQt(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        QTextStream(stderr) << "fennick-export: " << message << Qt::endl;
}

} // namespace

int main(int argc, char* argv[])
{
    tuneAllocatorForPages();
    // Our arguments are read before Qt sees any: Qt would take --style and -platform for its own.
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    int qtArgc = 1;

    // Drawing text needs a GUI application, but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietQt);
    QGuiApplication app(qtArgc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("fennick-export"));
    QGuiApplication::setApplicationVersion(QStringLiteral(FENNICK_VERSION_STRING));
    Startup::installFontSubstitutions();

    const Result<Options> options = parse(args);
    if (!options.isOk())
        return fail(BadArguments, options.error());
    if (options.value().help) {
        QTextStream(stdout) << QString::fromUtf8(kUsage);
        return Success;
    }
    return run(options.value());
}
