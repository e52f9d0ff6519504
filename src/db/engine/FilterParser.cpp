#include "FilterParser.h"

#include "EngineError.h"

#include <QList>

namespace kasplan::db {

namespace {

struct Token
{
    enum class Type { End, Name, Text, Number, Operator, Open, Close, Word };
    Type type = Type::End;
    QString text;
    int position = 0;
};

EngineError syntaxError(const QString& what, int position)
{
    return {ErrorKind::FilterSyntax,
            QStringLiteral("Filter expression incorrect: %1 at position %2.")
                .arg(what)
                .arg(position + 1)};
}

QList<Token> tokenize(const QString& text)
{
    QList<Token> tokens;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        const QChar c = text[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.position = i;
        if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            t.type = c == QLatin1Char('(') ? Token::Type::Open : Token::Type::Close;
            ++i;
        } else if (c == QLatin1Char('\'')) {
            // A quoted text; a doubled quote stands for one quote.
            t.type = Token::Type::Text;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('\'')) {
                        t.text += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                t.text += text[i++];
            }
            if (!closed)
                throw syntaxError(QStringLiteral("unterminated text"), t.position);
        } else if (c == QLatin1Char('[')) {
            t.type = Token::Type::Name;
            const int close = int(text.indexOf(QLatin1Char(']'), i + 1));
            if (close < 0)
                throw syntaxError(QStringLiteral("missing ]"), i);
            t.text = text.mid(i + 1, close - i - 1);
            i = close + 1;
        } else if (c.isDigit() || (c == QLatin1Char('-') && i + 1 < n && text[i + 1].isDigit())) {
            t.type = Token::Type::Number;
            int j = i + 1;
            while (j < n && (text[j].isDigit() || text[j] == QLatin1Char('.')))
                ++j;
            t.text = text.mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('=') || c == QLatin1Char('<') || c == QLatin1Char('>') ||
                   c == QLatin1Char('!')) {
            t.type = Token::Type::Operator;
            int j = i + 1;
            if (j < n && (text[j] == QLatin1Char('=') || text[j] == QLatin1Char('>')) &&
                c != QLatin1Char('='))
                ++j;
            t.text = text.mid(i, j - i);
            if (t.text == QLatin1String("!") || t.text == QLatin1String(">>") ||
                t.text == QLatin1String("!>"))
                throw syntaxError(QStringLiteral("unknown operator"), i);
            i = j;
        } else if (c.isLetter() || c == QLatin1Char('_')) {
            int j = i + 1;
            while (j < n && (text[j].isLetterOrNumber() || text[j] == QLatin1Char('_')))
                ++j;
            t.text = text.mid(i, j - i);
            const QString upper = t.text.toUpper();
            const bool word = upper == QLatin1String("AND") || upper == QLatin1String("OR") ||
                              upper == QLatin1String("NOT") || upper == QLatin1String("NULL") ||
                              upper == QLatin1String("IS");
            t.type = word ? Token::Type::Word : Token::Type::Name;
            if (word)
                t.text = upper;
            i = j;
        } else {
            throw syntaxError(QStringLiteral("unexpected '%1'").arg(c), i);
        }
        tokens.append(t);
    }
    Token end;
    end.position = n;
    tokens.append(end);
    return tokens;
}

class Parser
{
public:
    Parser(QList<Token> tokens, const FilterParser::FieldResolver& resolve,
           FilterParser::Options options)
        : m_tokens(std::move(tokens)), m_resolve(resolve), m_options(options)
    {
    }

    Condition parseAll()
    {
        Condition c = parseOr();
        if (peek().type != Token::Type::End)
            throw syntaxError(QStringLiteral("unexpected '%1'").arg(peek().text), peek().position);
        return c;
    }

private:
    const Token& peek() const { return m_tokens[m_pos]; }
    Token take() { return m_tokens[m_pos++]; }
    bool takeWord(const char* word)
    {
        if (peek().type == Token::Type::Word && peek().text == QLatin1String(word)) {
            ++m_pos;
            return true;
        }
        return false;
    }

    Condition join(Condition::Op op, Condition a, Condition b)
    {
        Condition c;
        c.op = op;
        c.children.push_back(std::move(a));
        c.children.push_back(std::move(b));
        return c;
    }

    Condition parseOr()
    {
        Condition left = parseAnd();
        while (takeWord("OR"))
            left = join(Condition::Op::Or, std::move(left), parseAnd());
        return left;
    }

    Condition parseAnd()
    {
        Condition left = parseUnary();
        while (takeWord("AND"))
            left = join(Condition::Op::And, std::move(left), parseUnary());
        return left;
    }

    Condition parseUnary()
    {
        if (takeWord("NOT")) {
            Condition c;
            c.op = Condition::Op::Not;
            c.children.push_back(parseUnary());
            return c;
        }
        if (peek().type == Token::Type::Open) {
            take();
            Condition c = parseOr();
            if (peek().type != Token::Type::Close)
                throw syntaxError(QStringLiteral("missing )"), peek().position);
            take();
            return c;
        }
        return parseComparison();
    }

    Condition parseComparison()
    {
        const Token name = take();
        if (name.type != Token::Type::Name)
            throw syntaxError(QStringLiteral("field name expected"), name.position);
        const QString field = m_resolve(name.text);
        if (field.isEmpty())
            throw EngineError::fieldNotFound(name.text);

        if (takeWord("IS")) {
            const bool negated = takeWord("NOT");
            if (!takeWord("NULL"))
                throw syntaxError(QStringLiteral("NULL expected"), peek().position);
            return Condition::compare(negated ? Condition::Op::IsNotNull : Condition::Op::IsNull,
                                      field, {});
        }

        const Token op = take();
        if (op.type != Token::Type::Operator)
            throw syntaxError(QStringLiteral("comparison expected"), op.position);
        Condition::Op kind;
        if (op.text == QLatin1String("="))
            kind = Condition::Op::Equal;
        else if (op.text == QLatin1String("<>") || op.text == QLatin1String("!="))
            kind = Condition::Op::NotEqual;
        else if (op.text == QLatin1String("<"))
            kind = Condition::Op::Less;
        else if (op.text == QLatin1String("<="))
            kind = Condition::Op::LessEqual;
        else if (op.text == QLatin1String(">"))
            kind = Condition::Op::Greater;
        else if (op.text == QLatin1String(">="))
            kind = Condition::Op::GreaterEqual;
        else
            throw syntaxError(QStringLiteral("unknown operator '%1'").arg(op.text), op.position);

        const Token operand = take();
        if (operand.type == Token::Type::Word && operand.text == QLatin1String("NULL")) {
            if (kind == Condition::Op::Equal)
                return Condition::compare(Condition::Op::IsNull, field, {});
            if (kind == Condition::Op::NotEqual)
                return Condition::compare(Condition::Op::IsNotNull, field, {});
            throw syntaxError(QStringLiteral("NULL only with = or <>"), operand.position);
        }
        if (operand.type == Token::Type::Number) {
            bool ok = false;
            const double number = operand.text.toDouble(&ok);
            if (!ok)
                throw syntaxError(QStringLiteral("bad number"), operand.position);
            return Condition::compare(kind, field, number, m_options.caseInsensitive);
        }
        if (operand.type != Token::Type::Text)
            throw syntaxError(QStringLiteral("value expected"), operand.position);

        QString value = operand.text;
        if (kind == Condition::Op::Equal && !m_options.noPartialCompare &&
            value.endsWith(QLatin1Char('*'))) {
            value.chop(1);
            return Condition::compare(Condition::Op::StartsWith, field, value,
                                      m_options.caseInsensitive);
        }
        return Condition::compare(kind, field, value, m_options.caseInsensitive);
    }

    QList<Token> m_tokens;
    int m_pos = 0;
    const FilterParser::FieldResolver& m_resolve;
    FilterParser::Options m_options;
};

} // namespace

Condition FilterParser::parse(const QString& text, const FieldResolver& resolveField,
                              Options options)
{
    if (text.trimmed().isEmpty())
        return {};
    return Parser(tokenize(text), resolveField, options).parseAll();
}

} // namespace kasplan::db
