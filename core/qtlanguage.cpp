#include "core/qtlanguage.h"

#include "core/texts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace vindelor {
namespace {

// Qt's Swedish catalogue is an older one: it has the standard buttons' texts under the
// button box, where Qt 6 asks the platform theme for them. The same words serve both.
class QtTranslator : public QTranslator {
  public:
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override {
        QString text = QTranslator::translate(context, sourceText, disambiguation, n);
        if (text.isEmpty() && qstrcmp(context, "QPlatformTheme") == 0) {
            text = QTranslator::translate("QDialogButtonBox", sourceText, disambiguation, n);
        }
        return text;
    }
};

struct InForce {
    int offset = -1;  // none yet
    std::unique_ptr<QTranslator> translator;
    QString language;
};

InForce& Current() {
    static InForce current;
    return current;
}

}  // namespace

void FollowLanguageInQt() {
    InForce& current = Current();
    const int offset = LanguageOffset();
    if (offset == current.offset || QCoreApplication::instance() == nullptr) {
        return;
    }
    current.offset = offset;
    if (current.translator) {
        QCoreApplication::removeTranslator(current.translator.get());
        current.translator.reset();
        current.language.clear();
    }
    const QString language = offset == kSwedishOffset   ? QStringLiteral("sv")
                             : offset == kFinnishOffset ? QStringLiteral("fi")
                                                        : QString();
    if (language.isEmpty()) {
        return;
    }
    // "qt_fi" names the Finnish catalogues of Qt's modules; "qt_sv" holds the Swedish ones.
    auto translator = std::make_unique<QtTranslator>();
    if (translator->load(QStringLiteral("qt_") + language,
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator.get())) {
        current.translator = std::move(translator);
        current.language = language;
    }
}

QString QtLanguageInForce() {
    return Current().language;
}

}  // namespace vindelor
