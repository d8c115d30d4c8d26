// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QUtf8StringView>

namespace varnel::cli {

// Appends `text` (valid UTF-8) as a JSON string literal: quotes, backslashes and control
// characters escaped, everything else as it stands.
inline void appendJsonString(QByteArray& out, QUtf8StringView text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.append('"');
    const char* p = text.data();
    const qsizetype n = text.size();
    qsizetype plain = 0; // start of the run not yet copied
    for (qsizetype i = 0; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(p + plain, i - plain);
        plain = i + 1;
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default:
            out.append("\\u00");
            out.append(kHex[c >> 4]);
            out.append(kHex[c & 0xF]);
        }
    }
    out.append(p + plain, n - plain);
    out.append('"');
}

} // namespace varnel::cli
