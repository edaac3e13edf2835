#pragma once

class TEntryTab;
class TCurrentReceipts;
struct ReceiptPrintData;

// The preview and print buttons of the entry tab, and the print that a new
// save runs when direct printing is on: the receipt as the fields show it
// goes through the template workbook.
void ConnectPrintingToEntry(TEntryTab *entry, TCurrentReceipts *receipts);

// The field texts that printing reads, as they stand.
ReceiptPrintData ReadPrintData(const TEntryTab *entry);

// "单据打印预览" and "real_prt" of the entry tab. The print returns whether
// the receipt went to the printer.
void PreviewReceipt(TEntryTab *entry);
bool PrintReceipt(TEntryTab *entry);
