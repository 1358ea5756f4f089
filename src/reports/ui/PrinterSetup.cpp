#include "reports/ui/PrinterSetup.h"

#include <QPrinter>

#include <algorithm>

namespace pelvaro::reports::ui {

bool applyChoice(QPrinter& printer, const base::PrintChoice& choice)
{
    if (choice.outputFile.isEmpty()) {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(choice.printerName);
        if (choice.printerName.isEmpty() || printer.outputFormat() != QPrinter::NativeFormat ||
            printer.printerName() != choice.printerName)
            return false;
    } else {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(choice.outputFile);
    }
    printer.setCopyCount(std::max(1, choice.copies));
    if (choice.selectionOnly) {
        printer.setPrintRange(QPrinter::Selection);
    } else if (choice.fromPage > 0 || choice.toPage > 0) {
        // A range missing its first page starts at page 1; one missing its last prints one page.
        const int from = std::max(1, choice.fromPage);
        printer.setFromTo(from, std::max(from, choice.toPage));
        printer.setPrintRange(QPrinter::PageRange);
    } else {
        printer.setPrintRange(QPrinter::AllPages);
    }
    return true;
}

} // namespace pelvaro::reports::ui
