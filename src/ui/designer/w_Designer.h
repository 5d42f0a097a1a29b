// The card designer: the current style's card as it will print, on its paper with the printable
// area and, underneath, the scanned blank card; labels and the guest's name are placed by dragging
// them, changed in a property panel or in place, every change undoable, all saved together by 保存.
// The window collects input and hands it to the core's design document and canvas.
#pragma once

#include "core/design/DesignDocument.h"

#include <QDialog>

#include <memory>

class DesignCanvas;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
struct Session;

namespace Ui {
class w_Designer;
}

class w_Designer : public QDialog
{
    Q_OBJECT

public:
    explicit w_Designer(Session& session, QWidget* parent = nullptr);
    ~w_Designer() override;

    /// 关闭, Escape and the title bar: asks first when the design was changed and not saved (Yes
    /// saves, No drops the changes, Cancel stays).
    void reject() override;

    /// The open design, once loaded; nullptr before or when the style could not be read.
    DesignDocument* document() const { return m_document.get(); }
    DesignCanvas* canvas() const { return m_canvas; }
    /// The zoom in dots per inch of the card on screen, and the one that shows it at its true size.
    double zoomDpi() const;
    double trueSizeDpi() const;

signals:
    /// The design was written to the database: the style's labels, guest-name setting or
    /// background may differ now.
    void designSaved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void load();
    void connectControls();
    void connectPanel();
    void connectBackground();
    void findGuest();
    void setZoom(double dpi);
    void fitZoom();
    void zoomBy(int steps, const QPointF& aboutPx);
    void showSelection();
    void showPlacement(const QList<DesignKey>& keys);
    void showBackground();
    void showStatus();
    void showUndoState();
    void showGuestShown();
    /// A refusal from the core: the message, and the panel shows the values the design has.
    void report(const Status& status);
    /// Applies what the panel's boxes hold and the design does not yet; false when refused.
    bool applyPanel();
    void applyText();
    void chooseFont();
    void addLabelAt(const QPointF& mm);
    void addLabel();
    void deleteSelection();
    void chooseBackground();
    void editInPlace(DesignKey key);
    void finishInPlace(bool keep);
    bool save();
    QList<DesignKey> selection() const;

    std::unique_ptr<Ui::w_Designer> m_ui;
    Session& m_session;
    QTimer* m_timerLoad = nullptr;
    std::unique_ptr<DesignDocument> m_document;
    DesignCanvas* m_canvas = nullptr;
    QPlainTextEdit* m_inPlace = nullptr;
    DesignKey m_inPlaceKey = kGuestNameKey;
    bool m_fitting = true;   // the zoom follows the window's size
    bool m_filling = false;  // the panel is being filled: its changes are no edits
    QString m_shownFitWidth; // the fit width the panel was filled with
};
