#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <functional>

class QAbstractItemView;
class QKeyEvent;

namespace tarrow {

// What the keys of the main window's project list do. Each command works on the current row.
struct TProjectListKeys {
    // Space; while a type-ahead search is under way Space is part of the typed name instead.
    std::function<void(int ARow)> ToggleCheck;
    std::function<void()> Edit;   // Enter, Return
    std::function<void()> Delete; // Delete
    std::function<void()> Add;    // Insert
    // Ctrl+Up / Ctrl+Down: move the row onto its neighbour (the drop of a reordering drag).
    std::function<void(int ARow, int ATargetRow)> Move;
};

// Gives the list the keys above; every other key does what the list normally does (typing jumps
// to the next row whose first column starts with the typed text).
class TProjectListKeyFilter final : public QObject {
public:
    TProjectListKeyFilter(QAbstractItemView* AList, TProjectListKeys AKeys);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    bool HandleKey(int AKey, Qt::KeyboardModifiers AModifiers);
    // Follows the typed text; true when the key belongs to a type-ahead search.
    bool TypeAhead(const QKeyEvent& AKey);

    QAbstractItemView* FList;
    TProjectListKeys FKeys;
    // When the last key of a type-ahead search was typed (invalid: none under way).
    QElapsedTimer FLastTyped;
};

} // namespace tarrow
