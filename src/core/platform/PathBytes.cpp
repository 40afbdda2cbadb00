#include "core/platform/PathBytes.h"

namespace Sweepora::Core {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char c)
{
    return (c & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence starting at `i`, or 0. Overlong forms, encoded
// surrogates and code points above U+10FFFF are not valid.
int validSequenceLength(const unsigned char* s, qsizetype i, qsizetype n, char32_t* codePoint)
{
    const unsigned char c = s[i];
    int length = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        cp = c & 0x1F;
        minimum = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        cp = c & 0x0F;
        minimum = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        cp = c & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > n)
        return 0;
    for (int k = 1; k < length; ++k) {
        if (!isContinuation(s[i + k]))
            return 0;
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    *codePoint = cp;
    return length;
}

void appendUtf8(QByteArray& out, char32_t cp)
{
    if (cp < 0x80) {
        out.append(char(cp));
    } else if (cp < 0x800) {
        out.append(char(0xC0 | (cp >> 6)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.append(char(0xE0 | (cp >> 12)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    } else {
        out.append(char(0xF0 | (cp >> 18)));
        out.append(char(0x80 | ((cp >> 12) & 0x3F)));
        out.append(char(0x80 | ((cp >> 6) & 0x3F)));
        out.append(char(0x80 | (cp & 0x3F)));
    }
}

} // namespace

QString pathFromBytes(const QByteArray& bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    QString out;
    out.reserve(n);
    for (qsizetype i = 0; i < n;) {
        if (s[i] < 0x80) {
            out.append(QChar(char16_t(s[i])));
            ++i;
            continue;
        }
        char32_t cp = 0;
        if (const int length = validSequenceLength(s, i, n, &cp); length > 0) {
            if (cp >= 0x10000) {
                const char32_t v = cp - 0x10000;
                out.append(QChar(char16_t(0xD800 + (v >> 10))));
                out.append(QChar(char16_t(0xDC00 + (v & 0x3FF))));
            } else {
                out.append(QChar(char16_t(cp)));
            }
            i += length;
        } else {
            out.append(QChar(char16_t(kEscapeBase + s[i])));
            ++i;
        }
    }
    return out;
}

QByteArray bytesFromPath(const QString& path)
{
    QByteArray out;
    out.reserve(path.size());
    const qsizetype n = path.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = path.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(path.at(i + 1).unicode())) {
            appendUtf8(out, QChar::surrogateToUcs4(c, path.at(i + 1).unicode()));
            ++i;
        } else if (c >= kEscapeBase + 0x80 && c <= kEscapeBase + 0xFF) {
            out.append(char(c - kEscapeBase));
        } else if (QChar::isSurrogate(c)) {
            appendUtf8(out, 0xFFFD); // a lone surrogate that no decoding produced
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

} // namespace Sweepora::Core
