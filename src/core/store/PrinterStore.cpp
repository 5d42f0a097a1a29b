#include "core/store/PrinterStore.h"

#include "core/store/CardStore.h"

#include <QSqlQuery>

Result<PrintSetting> PrinterStore::styleSetting(qint16 listId)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s = m_store.exec(query,
                                QStringLiteral("SELECT Printer, Paper, PaperWidth, PaperHeight, Landscape, "
                                               "PaperSource FROM StylePrinter WHERE ListID = ?"),
                                {listId});
        !s.isOk())
        return s;
    PrintSetting setting;
    if (!query.next())
        return setting;
    setting.printer = query.value(0).toString();
    setting.paperKey = query.value(1).toString();
    if (!query.value(2).isNull() && !query.value(3).isNull())
        setting.customSizeMm = QSizeF(query.value(2).toDouble(), query.value(3).toDouble());
    setting.landscape = query.value(4).toInt() != 0;
    setting.paperSource = query.value(5).toString();
    return setting;
}

Status PrinterStore::saveStyleSetting(qint16 listId, const PrintSetting& setting)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    const bool custom = setting.hasCustomSize();
    QSqlQuery query(m_store.database());
    return m_store.exec(
        query,
        QStringLiteral("INSERT OR REPLACE INTO StylePrinter (ListID, Printer, Paper, PaperWidth, "
                       "PaperHeight, Landscape, PaperSource) VALUES (?, ?, ?, ?, ?, ?, ?)"),
        {listId, setting.printer, custom ? QString() : setting.paperKey,
         custom ? QVariant(setting.customSizeMm.width()) : QVariant(),
         custom ? QVariant(setting.customSizeMm.height()) : QVariant(), setting.landscape ? 1 : 0,
         setting.paperSource});
}

Result<std::optional<PageCorrection>> PrinterStore::correction(const QString& printer,
                                                               const QString& paperKey)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    if (Status s =
            m_store.exec(query,
                         QStringLiteral("SELECT OffsetX, OffsetY, ScaleX, ScaleY FROM PrinterCalibration "
                                        "WHERE Printer = ? AND Paper = ?"),
                         {printer, paperKey});
        !s.isOk())
        return s;
    if (!query.next())
        return std::optional<PageCorrection>();
    return std::optional<PageCorrection>(PageCorrection{query.value(0).toDouble(), query.value(1).toDouble(),
                                                        query.value(2).toDouble(),
                                                        query.value(3).toDouble()});
}

Status PrinterStore::saveCorrection(const QString& printer, const QString& paperKey,
                                    const PageCorrection& correction)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    return m_store.exec(query,
                        QStringLiteral("INSERT OR REPLACE INTO PrinterCalibration (Printer, Paper, OffsetX, "
                                       "OffsetY, ScaleX, ScaleY) VALUES (?, ?, ?, ?, ?, ?)"),
                        {printer, paperKey, correction.offsetXMm, correction.offsetYMm, correction.scaleX,
                         correction.scaleY});
}

Status PrinterStore::clearCorrection(const QString& printer, const QString& paperKey)
{
    if (Status s = m_store.check(); !s.isOk())
        return s;
    QSqlQuery query(m_store.database());
    return m_store.exec(query,
                        QStringLiteral("DELETE FROM PrinterCalibration WHERE Printer = ? AND Paper = ?"),
                        {printer, paperKey});
}
