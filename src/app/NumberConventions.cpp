#include "app/NumberConventions.h"

#include <QLocale>

#include <clocale>

namespace vexlar {

void UseDecimalPointForNumbers()
{
    // QApplication sets every category of the C library's locale from the
    // environment; a decimal-comma language would then turn "%.3f" into
    // "914,429" and make the lenient readers stop at the comma.
    std::setlocale(LC_NUMERIC, "C");
    // Widgets created from now on take Qt's default locale.
    QLocale::setDefault(QLocale::c());
}

}  // namespace vexlar
