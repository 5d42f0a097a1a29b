// The page a card is laid out on outside the printer itself (previews and PDF exports): the paper
// and the exact printable area of a printer, so that an exported card matches a printed one.
#pragma once

#include <QPageLayout>
#include <QString>

#include <optional>

/// The default printer's page and printable area; A4 with the whole page printable when there is
/// no printer.
QPageLayout defaultCardPageLayout();

/// The page `paper` with the printable area the default printer gives it (the whole page when
/// there is no printer).
QPageLayout cardPageLayout(const QPageSize& paper);

/// A4, A5, A6, B5 or Letter (any letter case); nothing for another name.
std::optional<QPageSize> paperByName(const QString& name);

/// The size of the printable area in millimetres.
QSizeF printableSizeMm(const QPageLayout& layout);
