#pragma once

#include "history/exportworkbook.h"

// The history's export on the spreadsheet engine.
namespace HistoryPrinting {

// The export writer: the rows go to the engine as one flat spreadsheet
// file, written block by block, which it saves in the format the path's
// extension names.
WorkbookExport::Writer ExportWriter();

} // namespace HistoryPrinting
