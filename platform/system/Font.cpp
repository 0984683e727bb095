#include "Font.h"

#include <QFont>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

namespace vexlar::sys {

namespace {

constexpr std::size_t kMaxFaceNameLength = kLogFontFaceNameSize - 1;  // the record's field, less its terminator
constexpr int kDefaultPixelSize = 16;                                 // height 0: the face's default size
constexpr int kWeightDefault = 0;
constexpr int kWeightMin = 1;
constexpr int kWeightMax = 1000;
constexpr std::uint8_t kQualityNonAntialiased = 3;
constexpr std::uint8_t kQualityAntialiased = 4;
constexpr std::uint8_t kFamilyMask = 0xF0;
constexpr std::uint8_t kFamilyRoman = 0x10;
constexpr std::uint8_t kFamilySwiss = 0x20;
constexpr std::uint8_t kFamilyModern = 0x30;
constexpr std::uint8_t kFamilyScript = 0x40;
constexpr std::uint8_t kFamilyDecorative = 0x50;

// Live fonts by handle. Handles count up and are handed out again only after
// the 32-bit counter wraps, so a deleted handle stays invalid instead of
// quietly naming a newer font.
class FontTable {
public:
    FontHandle Add(LogFont description)
    {
        if (description.faceName.size() > kMaxFaceNameLength)
            description.faceName.resize(kMaxFaceNameLength);
        std::lock_guard lock(mutex_);
        FontHandle handle = NextFreeHandle();
        if (handle != 0)
            fonts_.emplace(handle, std::move(description));
        return handle;
    }

    bool Remove(FontHandle handle)
    {
        std::lock_guard lock(mutex_);
        return fonts_.erase(handle) == 1;
    }

    bool Get(FontHandle handle, LogFont* description) const
    {
        std::lock_guard lock(mutex_);
        auto it = fonts_.find(handle);
        if (it == fonts_.end())
            return false;
        *description = it->second;
        return true;
    }

private:
    FontHandle NextFreeHandle()
    {
        // 2^32 - 1 candidates; the loop only spins past handles still alive.
        for (std::size_t tries = 0; tries <= fonts_.size(); ++tries) {
            ++next_;
            if (next_ == 0)
                ++next_;
            if (fonts_.find(next_) == fonts_.end())
                return next_;
        }
        return 0;
    }

    mutable std::mutex mutex_;
    std::unordered_map<FontHandle, LogFont> fonts_;
    FontHandle next_ = 0;
};

FontTable& Table()
{
    static FontTable table;
    return table;
}

QFont::StyleHint HintForFamily(std::uint8_t pitchAndFamily)
{
    switch (pitchAndFamily & kFamilyMask) {
    case kFamilyRoman:
        return QFont::Serif;
    case kFamilySwiss:
        return QFont::SansSerif;
    case kFamilyModern:
        return QFont::Monospace;
    case kFamilyScript:
        return QFont::Cursive;
    case kFamilyDecorative:
        return QFont::Decorative;
    default:
        return QFont::AnyStyle;
    }
}

}  // namespace

FontHandle CreateFontIndirect(const LogFont& description)
{
    return Table().Add(description);
}

FontHandle CreateFont(int height, int width, int escapement, int orientation, int weight, unsigned italic,
                      unsigned underline, unsigned strikeOut, unsigned charSet, unsigned outPrecision,
                      unsigned clipPrecision, unsigned quality, unsigned pitchAndFamily, const char* faceName)
{
    LogFont description;
    description.height = height;
    description.width = width;
    description.escapement = escapement;
    description.orientation = orientation;
    description.weight = weight;
    description.italic = static_cast<std::uint8_t>(italic);
    description.underline = static_cast<std::uint8_t>(underline);
    description.strikeOut = static_cast<std::uint8_t>(strikeOut);
    description.charSet = static_cast<std::uint8_t>(charSet);
    description.outPrecision = static_cast<std::uint8_t>(outPrecision);
    description.clipPrecision = static_cast<std::uint8_t>(clipPrecision);
    description.quality = static_cast<std::uint8_t>(quality);
    description.pitchAndFamily = static_cast<std::uint8_t>(pitchAndFamily);
    description.faceName = faceName ? faceName : "";
    return CreateFontIndirect(description);
}

bool DeleteFont(FontHandle font)
{
    return font != 0 && Table().Remove(font);
}

bool GetFontDescription(FontHandle font, LogFont* description)
{
    return font != 0 && description && Table().Get(font, description);
}

QFont ToQFont(const LogFont& description)
{
    QFont font;
    if (!description.faceName.empty())
        font.setFamily(QString::fromLocal8Bit(description.faceName.c_str()));
    font.setStyleHint(HintForFamily(description.pitchAndFamily));

    // A negative height asks for the character height, a positive one for the
    // cell height; both are taken as the pixel size, which is what the
    // program's labels were laid out for.
    const long height = std::labs(static_cast<long>(description.height));
    font.setPixelSize(height > 0 ? static_cast<int>(std::min<long>(height, 4096)) : kDefaultPixelSize);

    if (description.weight != kWeightDefault)
        font.setWeight(static_cast<QFont::Weight>(std::clamp(description.weight, kWeightMin, kWeightMax)));
    else
        font.setWeight(QFont::Normal);
    font.setItalic(description.italic != 0);
    font.setUnderline(description.underline != 0);
    font.setStrikeOut(description.strikeOut != 0);

    if (description.quality == kQualityNonAntialiased)
        font.setStyleStrategy(QFont::NoAntialias);
    else if (description.quality == kQualityAntialiased)
        font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

}  // namespace vexlar::sys
