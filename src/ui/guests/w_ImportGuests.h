// The import window: shows how the columns of the chosen file become guest fields (each match can be
// changed), the encoding of a text file (which can be changed), a preview of the first rows, how many
// guests will be added and which rows are skipped or repeat a name, then adds them all at once.
#pragma once

#include "core/guestlists/GuestColumns.h"
#include "core/guestlists/ImportPlan.h"
#include "core/guestlists/ImportSource.h"

#include <QDialog>
#include <QSet>

#include <memory>

struct Session;

namespace Ui {
class w_ImportGuests;
}

class w_ImportGuests : public QDialog
{
    Q_OBJECT

public:
    w_ImportGuests(Session& session, ImportSource source, QWidget* parent = nullptr);
    ~w_ImportGuests() override;

    /// Rows shown in the preview.
    static constexpr int kPreviewRows = 100;

private:
    void changeEncoding(int index);
    void changeHeadings(bool hasHeadings);
    void changeColumn(int column, int choice);
    void fillColumns();
    enum class Plan
    {
        Rebuild, // the rows or the match changed
        Keep     // only what is shown changed
    };
    void refresh(Plan plan);
    void fillPreview();
    void importGuests();
    bool withDuplicates() const;

    std::unique_ptr<Ui::w_ImportGuests> m_ui;
    Session& m_session;
    ImportSource m_source;
    ColumnMatch m_match;
    int m_foundHeadingRow = -1; // where the headings were found; the check box goes back to it
    ImportPlan m_plan;
    QSet<QString> m_namesInList;
    QString m_readError;           // why the file cannot be read in the chosen encoding
    QString m_storeError;          // why the names already in the list could not be read
    bool m_encodingChosen = false; // the user picked the encoding: unreadable characters are accepted
};
