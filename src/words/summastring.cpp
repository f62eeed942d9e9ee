// SPDX-License-Identifier: GPL-3.0-or-later
#include "summastring.h"

#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <cstring>
#include <cstddef>

namespace {

constexpr char16_t Blank = u' ';

// A number word, right-aligned in a slot of fixed size, so that putting it in front of a text is one
// copy of a constant size (the slot's unused front lands in free room that later words overwrite).
constexpr qsizetype SlotSize = 16;

struct Word {
    char16_t slot[SlotSize] = {};
    qsizetype size = 0;

    constexpr QStringView view() const { return QStringView(slot + SlotSize - size, size); }
};

template <std::size_t N>
constexpr Word word(const char16_t (&text)[N])
{
    static_assert(N - 1 <= SlotSize, "a number word must fit its slot");
    Word result;
    result.size = qsizetype(N - 1);
    for (std::size_t i = 0; i + 1 < N; ++i)
        result.slot[SlotSize - (N - 1) + i] = text[i];
    return result;
}

constexpr Word NoWord;

// Every number word carries the blank that separates it from the next word.
constexpr Word HundredsWords[10] = {
    NoWord,           word(u"сто "),      word(u"двести "),   word(u"триста "),    word(u"четыреста "),
    word(u"пятьсот "), word(u"шестьсот "), word(u"семьсот "), word(u"восемьсот "), word(u"девятьсот "),
};
constexpr Word TeensWords[10] = {
    word(u"десять "),      word(u"одиннадцать "), word(u"двенадцать "),   word(u"тринадцать "),
    word(u"четырнадцать "), word(u"пятнадцать "),  word(u"шестнадцать "),  word(u"семнадцать "),
    word(u"восемнадцать "), word(u"девятнадцать "),
};
constexpr Word TensWords[10] = {
    NoWord,             NoWord,                word(u"двадцать "),  word(u"тридцать "),
    word(u"сорок "),     word(u"пятьдесят "),   word(u"шестьдесят "), word(u"семьдесят "),
    word(u"восемьдесят "), word(u"девяносто "),
};
// One and two depend on the gender and are picked in groupWords().
constexpr Word UnitWords[10] = {
    NoWord,         NoWord,         NoWord,        word(u"три "),    word(u"четыре "),
    word(u"пять "), word(u"шесть "), word(u"семь "), word(u"восемь "), word(u"девять "),
};
// By gender: masculine, feminine, neuter; no word for a gender outside these.
constexpr Word OneWords[4] = {NoWord, word(u"один "), word(u"одна "), word(u"одно ")};
constexpr Word TwoMasculine = word(u"два ");
constexpr Word TwoFeminine = word(u"две ");

constexpr Word ZeroWord = word(u"ноль ");
constexpr Word MinusWord = word(u"минус ");

enum class NounForm { One, TwoToFour, FiveToTen };

// The noun form each last digit calls for, outside 11 to 19.
constexpr NounForm FormByLastDigit[10] = {
    NounForm::FiveToTen, NounForm::One,       NounForm::TwoToFour, NounForm::TwoToFour,
    NounForm::TwoToFour, NounForm::FiveToTen, NounForm::FiveToTen, NounForm::FiveToTen,
    NounForm::FiveToTen, NounForm::FiveToTen,
};

struct Scale {
    qint16 rod;
    QStringView w1, w2to4, w5to10;
};

// The groups above the units, from the lowest up.
constexpr Scale Scales[4] = {
    {2, u"тысяча", u"тысячи", u"тысяч"},
    {1, u"миллион", u"миллиона", u"миллионов"},
    {1, u"миллиард", u"миллиарда", u"миллиардов"},
    {1, u"триллион", u"триллиона", u"триллионов"},
};

// Room for everything but the caller's noun: "минус " and five groups of at most 29 characters of
// number words, a scale noun of at most 10 and a separating blank each, with a margin.
constexpr qsizetype FixedRoom = 240;

struct GroupWords {
    const Word *hundreds = &NoWord;
    const Word *tens = &NoWord;
    const Word *unit = &NoWord;
    NounForm form = NounForm::FiveToTen;
};

// The words of a non-zero group. A negative group matches none of the word tables and is counted
// in the FiveToTen form, which keeps SummaStringThree's behaviour for the groups it is handed.
GroupWords groupWords(int group, qint16 rod)
{
    GroupWords words;
    if (group < 0)
        return words;
    words.hundreds = &HundredsWords[group / 100];
    const int lastTwo = group % 100;
    if (lastTwo >= 10 && lastTwo < 20) {
        words.tens = &TeensWords[lastTwo - 10];
        return words;
    }
    words.tens = &TensWords[lastTwo / 10];
    const int last = lastTwo % 10;
    words.form = FormByLastDigit[last];
    if (last == 1)
        words.unit = rod >= 1 && rod <= 3 ? &OneWords[rod] : &NoWord;
    else if (last == 2)
        words.unit = rod == 2 ? &TwoFeminine : &TwoMasculine;
    else
        words.unit = &UnitWords[last];
    return words;
}

QStringView rightTrimmed(QStringView text)
{
    qsizetype size = text.size();
    while (size > 0 && text[size - 1] == Blank)
        --size;
    return text.first(size);
}

// Builds the words from the lowest group up, each group put in front of what is already there, in a
// buffer filled from its end so that putting in front never moves the text already written.
class Words
{
public:
    // `room`: the most that will be put in, all parts counted.
    explicit Words(qsizetype room)
        : m_buffer(room + SlotSize), m_begin(m_buffer.size()), m_end(m_buffer.size())
    {
    }

    QStringView text() const { return QStringView(m_buffer.data() + m_begin, m_end - m_begin); }

    // Replaces the text with `initial`, as the words written for the lower groups.
    void start(QStringView initial)
    {
        m_begin = m_end = m_buffer.size();
        prepend(initial);
        m_hasWord = !rightTrimmed(initial).isEmpty();
    }

    // A group of zero writes no words; only the units group gives the caller's noun "w5to10 " here
    // (an empty text means nothing has been written yet), and the next group trims its blank.
    void putZeroGroup(QStringView w5to10)
    {
        if (m_begin != m_end)
            return;
        prepend(QStringView(&Blank, 1));
        prepend(w5to10);
        m_hasWord = !rightTrimmed(w5to10).isEmpty();
    }

    // Puts the words (each ending in a blank) and the noun in front of the text, the whole
    // right-trimmed. Right-trimming the phrase, then "phrase + blank + old text", gives the phrase
    // alone when the old text is blank, and otherwise the phrase, one blank and the old text
    // right-trimmed.
    void putPhrase(const Word &first, const Word &second, const Word &third, QStringView noun)
    {
        if (m_hasWord) {
            while (m_buffer[m_end - 1] == Blank)
                --m_end;
            m_buffer[--m_begin] = Blank;
        } else {
            m_begin = m_end = m_buffer.size();
        }

        const QStringView trimmedNoun = rightTrimmed(noun);
        if (!trimmedNoun.isEmpty()) {
            prepend(trimmedNoun);
            prepend(third);
            prepend(second);
            prepend(first);
            m_hasWord = true;
            return;
        }

        // With a blank noun the phrase ends in its last word, without that word's blank.
        const Word *const parts[3] = {&first, &second, &third};
        int last = 2;
        while (last >= 0 && parts[last]->size == 0)
            --last;
        if (last < 0)
            return;
        prepend(parts[last]->view().chopped(1));
        while (--last >= 0)
            prepend(*parts[last]);
        m_hasWord = true;
    }

    void putGroup(int group, qint16 rod, QStringView w1, QStringView w2to4, QStringView w5to10)
    {
        if (group == 0) {
            putZeroGroup(w5to10);
            return;
        }
        const GroupWords words = groupWords(group, rod);
        const QStringView noun = words.form == NounForm::One         ? w1
                               : words.form == NounForm::TwoToFour ? w2to4
                                                                    : w5to10;
        putPhrase(*words.hundreds, *words.tens, *words.unit, noun);
    }

private:
    void prepend(QStringView part)
    {
        Q_ASSERT(part.size() <= m_begin);
        m_begin -= part.size();
        if (!part.isEmpty())
            std::memcpy(m_buffer.data() + m_begin, part.utf16(), size_t(part.size()) * sizeof(char16_t));
    }

    void prepend(const Word &word)
    {
        Q_ASSERT(m_begin >= SlotSize);
        std::memcpy(m_buffer.data() + m_begin - SlotSize, word.slot, sizeof word.slot);
        m_begin -= word.size;
    }

    QVarLengthArray<char16_t, FixedRoom + SlotSize + 64> m_buffer;
    qsizetype m_begin;
    qsizetype m_end;
    bool m_hasWord = false; // the text holds something other than blanks
};

qsizetype roomFor(const QString &w1, const QString &w2to4, const QString &w5to10)
{
    return FixedRoom + std::max({w1.size(), w2to4.size(), w5to10.size()}) + 1;
}

// Copies into `to` reusing its storage when it has its own, so that a caller who keeps one string
// for many numbers does not allocate each time.
void assign(QString &to, QStringView from)
{
    if (to.isDetached())
        to.resize(from.size());
    else
        to = QString(from.size(), Qt::Uninitialized);
    if (!from.isEmpty())
        std::memcpy(static_cast<void *>(to.data()), from.utf16(), size_t(from.size()) * sizeof(char16_t));
}

FormatErrorReporter &formatErrorReporter()
{
    static FormatErrorReporter reporter;
    return reporter;
}

void reportFormatError() noexcept
{
    try {
        if (const FormatErrorReporter &reporter = formatErrorReporter())
            reporter(QStringLiteral("Ошибка формата"), QStringLiteral("Неправильный формат введенной суммы"));
    } catch (...) {
        // The words must never fail their caller, not even through the one who shows the message.
    }
}

} // namespace

void SummaStringThree(QString &Summa, qint32 &TempValue, const qint16 &Rod, const QString &w1,
                      const QString &w2to4, const QString &w5to10)
{
    const int group = TempValue % 1000;
    TempValue /= 1000;

    Words words(roomFor(w1, w2to4, w5to10) + Summa.size());
    words.start(Summa);
    words.putGroup(group, Rod, w1, w2to4, w5to10);
    assign(Summa, words.text());
}

void summaStringWide(QString &Summa, qint64 Source, qint16 Rod, const QString &w1, const QString &w2to4,
                     const QString &w5to10)
{
    try {
        Words words(roomFor(w1, w2to4, w5to10));
        if (Source == 0) {
            words.putPhrase(ZeroWord, NoWord, NoWord, w5to10);
            assign(Summa, words.text());
            return;
        }

        // The magnitude of the most negative number does not fit its own type: work unsigned.
        const quint64 magnitude = Source < 0 ? 0 - quint64(Source) : quint64(Source);
        quint64 rest = magnitude / 1000;
        words.putGroup(int(magnitude % 1000), Rod, w1, w2to4, w5to10);
        for (const Scale &scale : Scales) {
            if (rest == 0)
                break;
            words.putGroup(int(rest % 1000), scale.rod, scale.w1, scale.w2to4, scale.w5to10);
            rest /= 1000;
        }
        if (rest != 0) {
            assign(Summa, words.text());
            reportFormatError();
            return;
        }
        if (Source < 0)
            words.putPhrase(MinusWord, NoWord, NoWord, {});
        assign(Summa, words.text());
    } catch (...) {
        // Only running out of memory can get here; nothing of the words has been stored yet.
        Summa.clear();
        reportFormatError();
    }
}

void SummaString(QString &Summa, const qint32 &Source, const qint16 &Rod, const QString &w1,
                 const QString &w2to4, const QString &w5to10)
{
    summaStringWide(Summa, Source, Rod, w1, w2to4, w5to10);
}

void setFormatErrorReporter(FormatErrorReporter reporter)
{
    formatErrorReporter() = std::move(reporter);
}
