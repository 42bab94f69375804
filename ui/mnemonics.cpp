#include "ui/mnemonics.h"

namespace vellum::ui {

namespace {

// Where the letter stands first at the start of a word, else first anywhere; -1 for nowhere.
qsizetype LetterAt(const QString& text, QChar letter) {
    for (qsizetype at = 0; at < text.size(); ++at) {
        const bool wordStart = at == 0 || text[at - 1] == QLatin1Char(' ');
        if (wordStart && text[at].toLower() == letter.toLower()) return at;
    }
    return text.indexOf(letter, 0, Qt::CaseInsensitive);
}

}  // namespace

QString WithMnemonic(std::string_view caption, char letter) {
    QString text = QString::fromLatin1(caption.data(), static_cast<qsizetype>(caption.size()));
    const qsizetype at = LetterAt(text, QLatin1Char(letter));
    if (at >= 0) text.insert(at, QLatin1Char('&'));
    return text;
}

char DigestMnemonic(DigestKind kind) {
    switch (kind) {
        case DigestKind::Sha1:
            return '1';
        case DigestKind::Sha224:
            return '2';
        case DigestKind::Sha256:
            return '6';
        case DigestKind::Sha384:
            return '3';
        case DigestKind::Sha512:
            return '5';
        case DigestKind::Blake2b:
            return 'B';
    }
    return '\0';
}

}  // namespace vellum::ui
