#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTranslator>

#include "core/ui/qt_translations.h"

namespace cz {
namespace {

TEST(QtTranslations, QtsOwnButtonsSpeakChinese) {
  ASSERT_TRUE(installQtChineseTranslations(*QCoreApplication::instance()))
      << "qtbase_zh_CN.qm is missing from Qt's translations folder (qt6-translations-l10n)";
  QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  const QString cancel = buttons.button(QDialogButtonBox::Cancel)->text();
  // The other tests see Qt's texts as they were.
  for (auto* translator : QCoreApplication::instance()->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(translator);
    delete translator;
  }
  EXPECT_EQ(cancel, "取消");
}

}  // namespace
}  // namespace cz
