#pragma once

#include <QFont>
#include <QPointF>
#include <QString>

#include <memory>

#include "printing/printer.h"

class QPainter;
class QPrinter;
class QWidget;

namespace cz {

// The receipt printer on Qt: a QPrinter on the system's default printer (or the one picked in
// the print dialog, which also offers printing to a PDF file), drawn with a QPainter.
class QtPrinter : public Printer {
 public:
  // `dialogParent` owns the print dialog.
  explicit QtPrinter(QWidget* dialogParent);
  ~QtPrinter() override;

  // Prints every job into this PDF file instead of a printer (tests, and machines without one).
  // An empty path goes back to the printer.
  void setOutputFile(const QString& path) { m_outputFile = path; }

  bool startJob(bool showDialog) override;
  void setBold(bool bold) override;
  void setFontSize(int points) override;
  void setOrigin(int x, int y) override;
  void printText(const std::string& text) override;
  void endJob() override;

 private:
  QWidget* m_dialogParent;
  QString m_outputFile;
  std::unique_ptr<QPrinter> m_printer;
  std::unique_ptr<QPainter> m_painter;
  QFont m_font;
  QPointF m_origin;
  qreal m_y = 0;
};

}  // namespace cz
