// The preview window: one card of the current style exactly as it will print, guest by guest, on
// the default printer's page; and the export of every card into one PDF file.
#pragma once

#include "core/cards/CardBackground.h"
#include "core/cards/UnprintableText.h"
#include "core/printing/CardExport.h"

#include <QDialog>
#include <QPageLayout>

#include <memory>
#include <optional>

class QTimer;
struct Session;

namespace Ui {
class w_Preview;
}

class w_Preview : public QDialog
{
    Q_OBJECT

public:
    explicit w_Preview(Session& session, QWidget* parent = nullptr);
    ~w_Preview() override;

    /// Draws (and exports) the guest's name with `typed`, the setting typed in the opener and not
    /// saved yet (its formats too, and the 称谓 `rules` typed with it), and says so. Before the
    /// window is shown.
    void showTypedGuestName(const GuestNameSetting& typed, const SalutationRules& rules);
    /// Says that the name is drawn with the saved setting, as what was typed cannot be used.
    void noteTypedGuestNameUnusable();

    /// The guest shown, counted from 0; -1 when the style has no guests.
    int currentGuest() const { return m_current; }
    /// The zoom in dots per inch of the card on screen.
    double zoomDpi() const { return m_dpi; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Zoom
    {
        Fit,
        Actual
    };

    void load();
    void showGuest(int index);
    void render();
    void setZoom(Zoom zoom);
    void findGuest();
    void exportPdf();
    void loadBackground();
    QString currentName() const;
    GuestFields shownGuest() const;

    std::unique_ptr<Ui::w_Preview> m_ui;
    Session& m_session;
    QTimer* m_timer1 = nullptr;
    CardSet m_cards;
    CardTemplate m_card;
    bool m_loaded = false;
    QPageLayout m_layout;
    int m_current = -1;
    Zoom m_zoom = Zoom::Fit;
    double m_dpi = 0;
    GlyphCoverage m_coverage;
    std::optional<GuestNameSetting> m_typedGuestName;
    std::optional<CardBackground> m_background; // the style's scanned card, for lining up only
    CardBackdrop m_backdrop;                    // decoded once it is first shown
    std::optional<SalutationRules> m_typedRules;
};
