#include "files/LocalClock.h"

#include <QDateTime>

namespace vexlar::files {

LocalTime CurrentLocalTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    constexpr int kSecondsPerMinute = 60;
    return {date.year(),
            date.month(),
            date.day(),
            time.hour(),
            time.minute(),
            time.second(),
            now.offsetFromUtc() / kSecondsPerMinute};
}

}  // namespace vexlar::files
