#include "ScriptedBoxes.h"

ScriptedBoxes::ScriptedBoxes()
{
    kv::ui::setResponder([this](const kv::ui::BoxRequest& r) { return answer(r); });
}

ScriptedBoxes::~ScriptedBoxes()
{
    kv::ui::setResponder({});
}

ScriptedBoxes& ScriptedBoxes::expect(const QString& textPart, kv::ui::Answer answer)
{
    m_expected.append({textPart, answer});
    return *this;
}

kv::ui::Answer ScriptedBoxes::answer(const kv::ui::BoxRequest& request)
{
    m_shown.append(request);
    if (!m_expected.isEmpty() && request.text.contains(m_expected.first().textPart))
        return m_expected.takeFirst().answer;
    m_unexpected << request.text;
    switch (request.buttons) {
    case kv::ui::Buttons::YesNo: return kv::ui::Answer::No;
    case kv::ui::Buttons::Ok: return kv::ui::Answer::Ok;
    default: return kv::ui::Answer::Cancel;
    }
}

QString ScriptedBoxes::problems() const
{
    QStringList out;
    for (const QString& text : m_unexpected)
        out << QStringLiteral("unexpected box: ") + text;
    for (const Expected& e : m_expected)
        out << QStringLiteral("box never shown: ") + e.textPart;
    return out.join(u'\n');
}

void ScriptedBoxes::clear()
{
    m_expected.clear();
    m_shown.clear();
    m_unexpected.clear();
}
