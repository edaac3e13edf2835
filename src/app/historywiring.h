#pragma once

#include <functional>

class THistoryTab;
class TCurrentReceipts;
class TEntryTab;

// Connects the history tab's moves to the entry tab: archiving is started
// by the entry tab's "单据导出到历史表" and then empties its list and starts
// a new receipt; a restored receipt is selected in the list of current
// receipts and loaded into the form. showEntryTab brings the entry tab to
// the front.
void ConnectHistoryToEntry(THistoryTab *history, TEntryTab *entry, TCurrentReceipts *receipts,
                           std::function<void()> showEntryTab);
