#pragma once

#include <QObject>
#include <functional>

class QAbstractItemView;

namespace tarrow {

// What the keys of the main window's project list do. Each command works on the current row.
struct TProjectListKeys {
    std::function<void(int ARow)> ToggleCheck; // Space
    std::function<void()> Edit;                // Enter, Return
    std::function<void()> Delete;              // Delete
    std::function<void()> Add;                 // Insert
    // Ctrl+Up / Ctrl+Down: move the row onto its neighbour (the drop of a reordering drag).
    std::function<void(int ARow, int ATargetRow)> Move;
};

// Gives the list the keys above; every other key does what the list normally does.
class TProjectListKeyFilter final : public QObject {
public:
    TProjectListKeyFilter(QAbstractItemView* AList, TProjectListKeys AKeys);

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    bool HandleKey(int AKey, Qt::KeyboardModifiers AModifiers);

    QAbstractItemView* FList;
    TProjectListKeys FKeys;
};

} // namespace tarrow
