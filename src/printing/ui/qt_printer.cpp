#include "printing/ui/qt_printer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "util/ui/qt_text.h"

namespace cz {

QtPrinter::QtPrinter(QWidget* dialogParent) : m_dialogParent(dialogParent) {}

QtPrinter::~QtPrinter() {
  if (m_painter && m_painter->isActive()) m_painter->end();
}

bool QtPrinter::startJob(bool showDialog) {
  endJob();
  m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!m_outputFile.isEmpty()) {
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    m_printer->setOutputFileName(m_outputFile);
  }
  if (showDialog) {
    QPrintDialog dialog(m_printer.get(), m_dialogParent);
    if (dialog.exec() != QDialog::Accepted) {
      m_printer.reset();
      return false;
    }
  } else if (m_outputFile.isEmpty() && QPrinterInfo::defaultPrinter().isNull()) {
    m_printer.reset();
    return false;
  }
  m_painter = std::make_unique<QPainter>();
  if (!m_painter->begin(m_printer.get())) {
    m_painter.reset();
    m_printer.reset();
    return false;
  }
  m_font = QFont();
  m_origin = {};
  m_y = 0;
  return true;
}

void QtPrinter::setBold(bool bold) {
  m_font.setBold(bold);
}

void QtPrinter::setFontSize(int points) {
  if (points > 0) m_font.setPointSize(points);
}

void QtPrinter::setOrigin(int x, int y) {
  if (!m_printer) return;
  // Offsets are tenths of a millimetre; 254 of them make an inch.
  const qreal dpi = m_printer->resolution();
  m_origin = QPointF(x * dpi / 254.0, y * dpi / 254.0);
}

void QtPrinter::printText(const std::string& text) {
  if (!m_painter) return;
  m_painter->setFont(m_font);
  const QFontMetricsF metrics(m_font, m_printer.get());
  const QStringList lines = qs(text).split(QStringLiteral("\r\n"));
  for (int i = 0; i < lines.size(); ++i) {
    // A text ending in a line break continues on the next line, not one further down.
    if (i == lines.size() - 1 && lines[i].isEmpty()) break;
    m_painter->drawText(m_origin + QPointF(0, m_y + metrics.ascent()), lines[i]);
    m_y += metrics.lineSpacing();
  }
}

void QtPrinter::endJob() {
  if (m_painter) {
    if (m_painter->isActive()) m_painter->end();
    m_painter.reset();
  }
  m_printer.reset();
}

}  // namespace cz
