// Guest-field figures: filling in the texts of 100,000 cards (labels and the name line with fields),
// the export of 10,000 cards that use four fields (称谓, 同行, 桌号, 人数) against the same export
// without fields, and sorting 100,000 guests by a column as the guest window does. Prints medians as
// JSON.
//
// "Without fields" is measured two ways, in turns with the export with fields: the same card with
// fixed texts only (the name alone, a fixed seat line), and the same name lines typed into the list
// as users did before fields existed ("张伟先生" as the name), with the fixed seat line.
#include "BenchSupport.h"
#include "core/app/AllocatorTuning.h"
#include "core/app/Startup.h"
#include "core/cards/CardTemplate.h"
#include "core/printing/CardExport.h"
#include "core/store/CardStore.h"
#include "core/store/GuestOrder.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <vector>

namespace {

using namespace bench;

constexpr int kExpandedCards = 100000;
constexpr int kExportedCards = 10000;
constexpr int kSortedGuests = 100000;
constexpr int kRounds = 7;

double cpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

const QString kSurnames =
    QStringLiteral("王李张刘陈杨黄赵吴周徐孙马朱胡郭何高林罗郑梁谢宋唐许韩冯邓曹彭曾肖田董袁");
const QString kGiven =
    QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂华玉萍红娥玲芬燕彬鹏辉俊峰");

QString nameFrom(QRandomGenerator& random)
{
    QString name = kSurnames.at(random.bounded(kSurnames.size()));
    for (int i = random.bounded(1, 3); i > 0; --i)
        name += kGiven.at(random.bounded(kGiven.size()));
    return name;
}

// A list as weddings have them: most guests at one of 50 tables, a third with a partner.
GuestFields guestFrom(QRandomGenerator& random)
{
    GuestFields guest;
    guest.name = nameFrom(random);
    guest.sex = random.bounded(3) == 0 ? QString()
                : random.bounded(2)    ? QStringLiteral("男")
                                       : QStringLiteral("女");
    guest.connection = QStringLiteral("同事");
    guest.table = QString::number(random.bounded(1, 51));
    guest.attending = random.bounded(1, 5);
    if (random.bounded(3) == 0)
        guest.partner = nameFrom(random);
    if (random.bounded(20) == 0)
        guest.salutation = QStringLiteral("教授");
    return guest;
}

struct LabelText
{
    const char* name;
    const char* plain;      // the card without fields
    const char* withFields; // the same place with fields
    double x, y;
    const char* family;
    int points;
    bool bold;
};

// The A6 card of compare_export.py, and a seat line: with fields it names the guest's table and
// party, without them a fixed one.
const LabelText kLabels[] = {
    {"标题", "婚礼请柬", "婚礼请柬", 37, 10, "Noto Serif CJK SC", 22, true},
    {"邀请", "诚挚邀请您参加我们的婚礼", "诚挚邀请您参加我们的婚礼", 16, 45, "Noto Serif CJK SC", 14, false},
    {"时间", "时间：2027年5月1日 中午12时", "时间：2027年5月1日 中午12时", 12, 66, "Noto Sans CJK SC", 11,
     false},
    {"地点", "地点：上海市黄浦区和平饭店宴会厅", "地点：上海市黄浦区和平饭店宴会厅", 12, 76,
     "Noto Sans CJK SC", 10, false},
    {"席位", "席位：第 8 桌 · 共 2 位", "席位：第 {桌号} 桌 · 共 {人数} 位", 12, 86, "Noto Sans CJK SC", 10,
     false},
    {"落款", "新郎 张伟 · 新娘 李娜 敬邀", "新郎 张伟 · 新娘 李娜 敬邀", 30, 105, "Noto Serif CJK SC", 12,
     true},
};

enum class Variant
{
    Plain, // fixed texts, the name alone
    Typed, // fixed texts, the name line typed into the name
    Fields // the name line and the seat line from fields
};

void fill(const QString& path, Variant variant, const QList<GuestFields>& guests)
{
    copyEmptyDatabase(path);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
        db.transaction();
        QSqlQuery q(db);
        q.exec(QStringLiteral("INSERT INTO Lists (ListID, ListName) VALUES (1, '基准请柬')"));
        q.prepare(QStringLiteral(
            "INSERT INTO GuestXY (ListID, keyx, keyy, keyfont, keyfontsize, keyfontstyle, "
            "NameFormat, PartnerFormat) VALUES (1, 36, 28, 'Noto Serif CJK SC', '18', '粗体', ?, ?)"));
        const bool withFields = variant == Variant::Fields;
        q.addBindValue(withFields ? QStringLiteral("{姓名}{称谓}") : QStringLiteral("{姓名}"));
        q.addBindValue(withFields ? QStringLiteral("{姓名} {同行} 伉俪") : QString(QStringLiteral("")));
        q.exec();
        q.prepare(
            QStringLiteral("INSERT INTO Main (ListID, Keywords, KeyValue, KeyX, KeyY, KeyFont, KeyFontSize, "
                           "KeyFontStyle) VALUES (1, ?, ?, ?, ?, ?, ?, ?)"));
        for (const LabelText& label : kLabels) {
            q.addBindValue(QString::fromUtf8(label.name));
            q.addBindValue(QString::fromUtf8(withFields ? label.withFields : label.plain));
            q.addBindValue(label.x);
            q.addBindValue(label.y);
            q.addBindValue(QString::fromUtf8(label.family));
            q.addBindValue(QString::number(label.points));
            q.addBindValue(label.bold ? QStringLiteral("粗体") : QStringLiteral("常规"));
            q.exec();
        }
        q.prepare(
            QStringLiteral("INSERT INTO Guests (ListID, Name, Sex, Connection, Salutation, Partner, TableNo, "
                           "Attending) VALUES (1, ?, ?, ?, ?, ?, ?, ?)"));
        GuestNameSetting typed;
        typed.format = QStringLiteral("{姓名}{称谓}");
        typed.partnerFormat = QStringLiteral("{姓名} {同行} 伉俪");
        const CardTemplate nameLine({}, typed);
        for (const GuestFields& g : guests) {
            q.addBindValue(variant == Variant::Typed ? nameLine.textsFor(g).name : g.name);
            q.addBindValue(g.sex.isEmpty() ? QVariant() : QVariant(g.sex));
            q.addBindValue(g.connection);
            q.addBindValue(g.salutation.isNull() ? QStringLiteral("") : g.salutation);
            q.addBindValue(g.partner.isNull() ? QStringLiteral("") : g.partner);
            q.addBindValue(g.table);
            q.addBindValue(g.attending);
            q.exec();
        }
        db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

// What fennick-export does: read the style and write every card into one PDF.
bool exportStyle(const QString& database, const QString& pdf)
{
    CardStore store(database);
    const Result<CardSet> cards = loadCardSet(store, 1, QStringLiteral("基准请柬"));
    if (!cards.isOk())
        return false;
    const QPageLayout a6(QPageSize(QPageSize::A6), QPageLayout::Portrait, QMarginsF(3, 3, 3, 3),
                         QPageLayout::Millimeter);
    return exportCards(cards.value(), a6, pdf).isOk();
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tuneAllocatorForPages(); // as the program's own main does
    QGuiApplication app(argc, argv);
    Startup::installFontSubstitutions();
    QRandomGenerator random(20270501);

    // Filling in: every text of 100,000 cards, the labels with their fields and the name line.
    QList<Label> labels;
    for (const LabelText& l : kLabels)
        labels << Label{0,
                        QString::fromUtf8(l.name),
                        QString::fromUtf8(l.withFields),
                        l.x,
                        l.y,
                        QString::fromUtf8(l.family),
                        QString::number(l.points),
                        QStringLiteral("常规"),
                        TextPlacement{}};
    labels << Label{0,
                    QStringLiteral("备注"),
                    QStringLiteral("{关系} · {单位}"),
                    12,
                    120,
                    QStringLiteral("宋体"),
                    QStringLiteral("9"),
                    QStringLiteral("常规"),
                    TextPlacement{}};
    GuestNameSetting setting;
    setting.format = QStringLiteral("{姓名}{称谓}");
    setting.partnerFormat = QStringLiteral("{姓名} {同行} 伉俪");
    QList<GuestFields> many;
    many.reserve(kExpandedCards);
    for (int i = 0; i < kExpandedCards; ++i)
        many << guestFrom(random);
    std::vector<double> expanding;
    qsizetype characters = 0;
    for (int round = 0; round <= kRounds; ++round) {
        characters = 0;
        const double ms = timeMs([&] {
            const CardTemplate card(labels, setting);
            for (const GuestFields& guest : std::as_const(many)) {
                const CardTexts texts = card.textsFor(guest);
                characters += texts.name.size() + texts.labels.at(4).size();
            }
        });
        if (round > 0) // the first round warms up
            expanding.push_back(ms);
    }
    if (characters == 0)
        return 1;

    // The export with and without fields, in turns.
    QTemporaryDir dir;
    const QList<GuestFields> exported = many.mid(0, kExportedCards);
    const Variant variants[] = {Variant::Plain, Variant::Typed, Variant::Fields};
    QString databases[3];
    for (const Variant variant : variants) {
        databases[int(variant)] = dir.filePath(QStringLiteral("export%1.dat").arg(int(variant)));
        fill(databases[int(variant)], variant, exported);
    }
    const QString pdf = dir.filePath(QStringLiteral("cards.pdf"));
    std::vector<double> wall[3], cpu[3];
    for (int round = 0; round <= 7; ++round) {
        for (const Variant variant : variants) {
            const double cpuBefore = cpuMs();
            bool ok = true;
            const double ms = timeMs([&] { ok = exportStyle(databases[int(variant)], pdf); });
            const double cpuSpent = cpuMs() - cpuBefore;
            if (!ok) {
                std::fprintf(stderr, "export failed\n");
                return 1;
            }
            if (round == 0) // the first round warms up
                continue;
            wall[int(variant)].push_back(ms);
            cpu[int(variant)].push_back(cpuSpent);
        }
    }

    // Sorting 100,000 guests as a click on a heading of the guest window does.
    const QString sortDb = dir.filePath(QStringLiteral("sort.dat"));
    fill(sortDb, Variant::Fields, many.mid(0, kSortedGuests));
    CardStore store(sortDb);
    std::vector<double> byName, byTable;
    for (int round = 0; round <= 5; ++round) {
        for (auto [key, times] :
             {std::pair{GuestSortKey::Name, &byName}, std::pair{GuestSortKey::Table, &byTable}}) {
            bool ok = true;
            const double ms = timeMs([&, key = key] { ok = GuestOrder::sortedIds(store, 1, key).isOk(); });
            if (!ok)
                return 1;
            if (round > 0)
                times->push_back(ms);
        }
    }

    const auto at = [](const std::vector<double>* figures, Variant variant) {
        return median(figures[int(variant)]);
    };
    std::printf("{\n"
                "  \"expand_fields_100k_cards_ms\": %.2f,\n"
                "  \"export_10000_plain_ms\": %.1f,\n"
                "  \"export_10000_typed_names_ms\": %.1f,\n"
                "  \"export_10000_four_fields_ms\": %.1f,\n"
                "  \"export_10000_plain_cpu_ms\": %.1f,\n"
                "  \"export_10000_typed_names_cpu_ms\": %.1f,\n"
                "  \"export_10000_four_fields_cpu_ms\": %.1f,\n"
                "  \"export_fields_over_plain_cpu_ratio\": %.3f,\n"
                "  \"export_fields_over_typed_names_cpu_ratio\": %.3f,\n"
                "  \"sort_100k_guests_by_name_ms\": %.1f,\n"
                "  \"sort_100k_guests_by_table_ms\": %.1f\n"
                "}\n",
                median(expanding), at(wall, Variant::Plain), at(wall, Variant::Typed),
                at(wall, Variant::Fields), at(cpu, Variant::Plain), at(cpu, Variant::Typed),
                at(cpu, Variant::Fields), at(cpu, Variant::Fields) / at(cpu, Variant::Plain),
                at(cpu, Variant::Fields) / at(cpu, Variant::Typed), median(byName), median(byTable));
    return 0;
}
