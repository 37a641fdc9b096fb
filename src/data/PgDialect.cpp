#include "data/PgDialect.h"

#include <QList>

namespace kv {

namespace {

// The pieces of a statement as both engines read them.
enum class TokenKind {
    Word,        // a keyword or a bare name: letters, digits, _, $ and every character beyond ASCII
    QuotedName,  // "a name"
    Text,        // 'text', E'text'
    DollarText,  // $$text$$, $tag$text$tag$
    Comment,     // -- to the end of the line, /* … */
    Space,
    Placeholder, // ?
    Other,       // a number, an operator, a parenthesis, a comma, ;
};

struct Token {
    TokenKind kind;
    QString text;
};

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Characters beyond ASCII (Chinese names, either half of a surrogate pair) belong to names, as
// both engines take them.
bool startsWord(QChar c)
{
    return isAsciiLetter(c) || c == u'_' || c.unicode() >= 0x80;
}

bool continuesWord(QChar c)
{
    return startsWord(c) || isDigit(c) || c == u'$';
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v';
}

class Tokenizer {
public:
    explicit Tokenizer(const QString& sql) : m_sql(sql) {}

    QList<Token> tokens()
    {
        QList<Token> out;
        while (m_at < m_sql.size())
            out.append(next());
        return out;
    }

private:
    QChar at(qsizetype i) const { return i < m_sql.size() ? m_sql.at(i) : QChar(); }

    Token take(TokenKind kind, qsizetype end)
    {
        Token token{kind, m_sql.mid(m_at, end - m_at)};
        m_at = end;
        return token;
    }

    // From the opening quote at `from` to its closing one; a doubled quote stays inside, and with
    // `backslash` (E'…') a backslash keeps the character after it. An unclosed one runs to the end.
    qsizetype quotedEnd(qsizetype from, QChar quote, bool backslash) const
    {
        qsizetype i = from + 1;
        while (i < m_sql.size()) {
            const QChar c = m_sql.at(i);
            if (backslash && c == u'\\') {
                i += 2;
                continue;
            }
            if (c == quote) {
                if (at(i + 1) == quote) {
                    i += 2;
                    continue;
                }
                return i + 1;
            }
            ++i;
        }
        return m_sql.size();
    }

    // The tag of a dollar quote starting at m_at ("$$" or "$name$"), or empty when none starts here.
    QString dollarTag() const
    {
        qsizetype i = m_at + 1;
        if (startsWord(at(i)))
            while (i < m_sql.size() && continuesWord(at(i)) && at(i) != u'$')
                ++i;
        return at(i) == u'$' ? m_sql.mid(m_at, i + 1 - m_at) : QString();
    }

    Token next()
    {
        const QChar c = m_sql.at(m_at);
        if (isSpace(c)) {
            qsizetype end = m_at;
            while (end < m_sql.size() && isSpace(m_sql.at(end)))
                ++end;
            return take(TokenKind::Space, end);
        }
        if (c == u'-' && at(m_at + 1) == u'-') {
            const qsizetype newline = m_sql.indexOf(u'\n', m_at);
            return take(TokenKind::Comment, newline < 0 ? m_sql.size() : newline);
        }
        if (c == u'/' && at(m_at + 1) == u'*') {
            const qsizetype close = m_sql.indexOf(QStringLiteral("*/"), m_at + 2);
            return take(TokenKind::Comment, close < 0 ? m_sql.size() : close + 2);
        }
        if (c == u'\'')
            return take(TokenKind::Text, quotedEnd(m_at, c, false));
        if (c == u'"')
            return take(TokenKind::QuotedName, quotedEnd(m_at, c, false));
        if ((c == u'E' || c == u'e') && at(m_at + 1) == u'\'')
            return take(TokenKind::Text, quotedEnd(m_at + 1, u'\'', true));
        if (c == u'$') {
            const QString tag = dollarTag();
            if (!tag.isEmpty()) {
                const qsizetype close = m_sql.indexOf(tag, m_at + tag.size());
                return take(TokenKind::DollarText, close < 0 ? m_sql.size() : close + tag.size());
            }
        }
        if (startsWord(c)) {
            qsizetype end = m_at + 1;
            while (end < m_sql.size() && continuesWord(m_sql.at(end)))
                ++end;
            return take(TokenKind::Word, end);
        }
        if (isDigit(c)) {
            qsizetype end = m_at + 1;
            while (end < m_sql.size() && (isDigit(m_sql.at(end)) || m_sql.at(end) == u'.'))
                ++end;
            return take(TokenKind::Other, end);
        }
        if (c == u'?')
            return take(TokenKind::Placeholder, m_at + 1);
        return take(TokenKind::Other, m_at + 1);
    }

    const QString& m_sql;
    qsizetype m_at = 0;
};

bool isWord(const Token& t, QLatin1StringView word)
{
    return t.kind == TokenKind::Word && t.text.compare(word, Qt::CaseInsensitive) == 0;
}

bool isTrivia(const Token& t)
{
    return t.kind == TokenKind::Space || t.kind == TokenKind::Comment;
}

// Turns the tokens of one statement into PostgreSQL's text.
class Rewriter {
public:
    Rewriter(const QList<Token>& tokens, int* parameters) : m_tokens(tokens), m_parameters(parameters) {}

    // The statement's tokens [from, to) rewritten.
    QString rewrite(qsizetype from, qsizetype to)
    {
        m_definition = startsDefinition(from, to);
        return rewriteRange(from, to);
    }

private:
    // The next token after i that is not space or a comment; `to` when none.
    qsizetype skipTrivia(qsizetype i, qsizetype to) const
    {
        while (i < to && isTrivia(m_tokens.at(i)))
            ++i;
        return i;
    }

    // CREATE TABLE, ALTER TABLE: the statements in which type names are rewritten.
    bool startsDefinition(qsizetype from, qsizetype to) const
    {
        const qsizetype first = skipTrivia(from, to);
        const qsizetype second = skipTrivia(first + 1, to);
        return second < to && (isWord(m_tokens.at(first), QLatin1StringView("CREATE")) ||
                               isWord(m_tokens.at(first), QLatin1StringView("ALTER"))) &&
               isWord(m_tokens.at(second), QLatin1StringView("TABLE"));
    }

    // Whether words follow from i in order, with only space and comments between; the index
    // after the last one, or -1.
    qsizetype wordsAt(qsizetype i, qsizetype to, std::initializer_list<QLatin1StringView> words) const
    {
        for (const QLatin1StringView word : words) {
            i = skipTrivia(i, to);
            if (i >= to || !isWord(m_tokens.at(i), word))
                return -1;
            ++i;
        }
        return i;
    }

    // The closing parenthesis that matches the opening one at `open`; -1 when none does.
    qsizetype closingParenthesis(qsizetype open, qsizetype to) const
    {
        int depth = 0;
        for (qsizetype i = open; i < to; ++i) {
            const Token& t = m_tokens.at(i);
            if (t.kind != TokenKind::Other)
                continue;
            if (t.text == u"(")
                ++depth;
            else if (t.text == u")" && --depth == 0)
                return i;
        }
        return -1;
    }

    QString rewriteRange(qsizetype from, qsizetype to)
    {
        QString out;
        for (qsizetype i = from; i < to; ++i) {
            const Token& t = m_tokens.at(i);
            switch (t.kind) {
            case TokenKind::Placeholder: out += u'$' + QString::number(++*m_parameters); continue;
            // Comments go: what the server would make of a comment inside a comment does not
            // matter then.
            case TokenKind::Comment: out += u' '; continue;
            case TokenKind::Word: break;
            default: out += t.text; continue;
            }
            if (isWord(t, QLatin1StringView("decimal_sum")) || isWord(t, QLatin1StringView("total"))) {
                const qsizetype open = skipTrivia(i + 1, to);
                const qsizetype close = open < to && m_tokens.at(open).text == u"(" ? closingParenthesis(open, to) : -1;
                if (close > 0) {
                    const QString inner = rewriteRange(open + 1, close);
                    out += isWord(t, QLatin1StringView("total"))
                               ? QStringLiteral("coalesce(sum((%1)::float8), 0)").arg(inner)
                               : QStringLiteral("sum(round((%1)::numeric, 6))").arg(inner);
                    i = close;
                    continue;
                }
            }
            if (isWord(t, QLatin1StringView("LIKE"))) {
                out += QStringLiteral("ILIKE");
                continue;
            }
            if (m_definition) {
                const qsizetype autoEnd =
                    wordsAt(i, to, {QLatin1StringView("INTEGER"), QLatin1StringView("PRIMARY"),
                                    QLatin1StringView("KEY"), QLatin1StringView("AUTOINCREMENT")});
                if (autoEnd > 0) {
                    out += QStringLiteral("BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
                    i = autoEnd - 1;
                    continue;
                }
                if (isWord(t, QLatin1StringView("INTEGER"))) {
                    out += QStringLiteral("BIGINT");
                    continue;
                }
                if (isWord(t, QLatin1StringView("REAL"))) {
                    out += QStringLiteral("DOUBLE PRECISION");
                    continue;
                }
                if (isWord(t, QLatin1StringView("TEXT"))) {
                    out += QStringLiteral("TEXT COLLATE \"C\"");
                    continue;
                }
            }
            out += t.text;
        }
        return out;
    }

    const QList<Token>& m_tokens;
    int* m_parameters;
    bool m_definition = false;
};

// The table of INSERT INTO <table> (id, …): the name as written.
QString explicitIdTable(const QList<Token>& tokens, qsizetype from, qsizetype to)
{
    const auto next = [&](qsizetype i) {
        while (i < to && isTrivia(tokens.at(i)))
            ++i;
        return i;
    };
    qsizetype i = next(from);
    if (i >= to || !isWord(tokens.at(i), QLatin1StringView("INSERT")))
        return {};
    i = next(i + 1);
    if (i >= to || !isWord(tokens.at(i), QLatin1StringView("INTO")))
        return {};
    const qsizetype table = next(i + 1);
    if (table >= to || (tokens.at(table).kind != TokenKind::Word && tokens.at(table).kind != TokenKind::QuotedName))
        return {};
    const qsizetype open = next(table + 1);
    const qsizetype id = next(open + 1);
    const qsizetype after = next(id + 1);
    if (after >= to || tokens.at(open).text != u"(" || !isWord(tokens.at(id), QLatin1StringView("id")) ||
        (tokens.at(after).text != u"," && tokens.at(after).text != u")"))
        return {};
    return tokens.at(table).text;
}
} // namespace

PgStatementText toPgDialect(const QString& sql)
{
    const QList<Token> tokens = Tokenizer(sql).tokens();
    PgStatementText result;
    // Each statement of a script on its own: a table definition after an index is still one.
    qsizetype start = 0;
    for (qsizetype i = 0; i <= tokens.size(); ++i) {
        const bool end = i == tokens.size() || (tokens.at(i).kind == TokenKind::Other && tokens.at(i).text == u";");
        if (!end)
            continue;
        if (start == 0) {
            result.explicitIdTable = explicitIdTable(tokens, start, i);
            qsizetype first = start;
            while (first < i && isTrivia(tokens.at(first)))
                ++first;
            result.readOnly = first < i && isWord(tokens.at(first), QLatin1StringView("SELECT"));
        }
        result.sql += Rewriter(tokens, &result.parameters).rewrite(start, i);
        if (i < tokens.size())
            result.sql += u';';
        start = i + 1;
    }
    return result;
}

} // namespace kv
