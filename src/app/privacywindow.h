// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QScrollArea>

namespace varnel {

// The privacy policy: what Varnel does with data, in a window of its own titled "Privacy
// Policy" (at least 500 × 420, 560 × 520 at first). The text scrolls and wraps; it never
// changes while shown.
class PrivacyWindow : public QScrollArea {
    Q_OBJECT

public:
    static constexpr QSize kMinimumSize{500, 420};
    static constexpr QSize kDefaultSize{560, 520};

    static inline const QString kSupportAddress = QStringLiteral("support@varnel.example");
    static inline const QString kDonationPage = QStringLiteral("https://varnel.example/support");

    struct Section {
        QString title;
        QString body;
    };
    // The seven titled sections, in order.
    static QList<Section> sections();

    explicit PrivacyWindow(QWidget* parent = nullptr);

    QSize sizeHint() const override { return kDefaultSize; }
};

} // namespace varnel
