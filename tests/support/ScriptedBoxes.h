#pragma once

#include "ui/MessageBox.h"

#include <QList>
#include <QString>

// Answers the program's message boxes in a test. Each expected box is matched in order by a
// part of its text; a box nobody expected is recorded as a failure and answered Cancel/No/Ok.
class ScriptedBoxes {
public:
    ScriptedBoxes();
    ~ScriptedBoxes();
    ScriptedBoxes(const ScriptedBoxes&) = delete;
    ScriptedBoxes& operator=(const ScriptedBoxes&) = delete;

    ScriptedBoxes& expect(const QString& textPart, kv::ui::Answer answer = kv::ui::Answer::Ok);

    const QList<kv::ui::BoxRequest>& shown() const { return m_shown; }
    // Empty when every expected box came and no other did; otherwise what went wrong.
    QString problems() const;
    void clear();

private:
    kv::ui::Answer answer(const kv::ui::BoxRequest& request);

    struct Expected {
        QString textPart;
        kv::ui::Answer answer;
    };
    QList<Expected> m_expected;
    QList<kv::ui::BoxRequest> m_shown;
    QStringList m_unexpected;
};

#define KV_VERIFY_BOXES(boxes) QVERIFY2((boxes).problems().isEmpty(), qPrintable((boxes).problems()))
