#pragma once
// Qt's own texts (the folder dialog's column heads, standard buttons, context menus) in
// Japanese, whatever the user's locale: the program speaks only Japanese.
class QCoreApplication;

namespace pixbako {

// Installs Qt's Japanese catalogue on `app` (the translator is a child of `app`); false when
// the catalogue is not installed (Debian's qt6-translations-l10n), and Qt then speaks English.
bool installQtTranslations(QCoreApplication& app);

} // namespace pixbako
