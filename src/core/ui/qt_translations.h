#pragma once

class QCoreApplication;

namespace cz {

// Gives Qt's own dialogs and buttons (the print dialog, the colour chooser, OK / Cancel) their
// Simplified Chinese texts, from qtbase_zh_CN in Qt's translations folder. Returns false when that
// file is missing or unreadable; Qt's texts then stay in English.
bool installQtChineseTranslations(QCoreApplication& application);

}  // namespace cz
