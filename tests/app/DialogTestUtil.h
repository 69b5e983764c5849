#pragma once
// Helpers of the dialog tests: a described recording, and driving controls by their id.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QString>
#include <gtest/gtest.h>
#include <ostream>

#include "dialogs/DialogCommon.h"
#include "dialogs/DialogSource.h"

// ShellTestSupport.h has its own; a file including it first defines VISTREL_QSTRING_PRINTTO.
#ifndef VISTREL_QSTRING_PRINTTO
inline void PrintTo(const QString& s, std::ostream* os) { *os << s.toStdString(); }
#endif

namespace vistrel::test {

// A recording of `devices` x `perDevice` channels; channel i has the range [-(i+1), 2(i+1)]
// and colour 0x10000 * i + 1.
inline DialogSource MakeSource(int devices, int perDevice, float rate = 1000.0f, int64_t samples = 10000) {
    DialogSource s;
    s.devices = devices;
    s.perDevice = perDevice;
    s.rate = rate;
    s.samples = samples;
    s.cursor1 = 100;
    s.cursor2 = 1100;
    const int n = devices * perDevice;
    for (int i = 0; i < n; ++i) {
        s.low.push_back(-float(i + 1));
        s.high.push_back(2.0f * float(i + 1));
        s.colours.push_back(0x10000u * uint32_t(i) + 1u);
        s.shown.push_back(1);
        s.labels.push_back(QString::asprintf("%02d", i + 1));
    }
    return s;
}

inline QLineEdit* Edit(const QWidget* d, int id) {
    auto* w = Control<QLineEdit>(d, id);
    EXPECT_NE(w, nullptr) << "edit " << id;
    return w;
}
inline QComboBox* List(const QWidget* d, int id) {
    auto* w = Control<QComboBox>(d, id);
    EXPECT_NE(w, nullptr) << "list " << id;
    return w;
}
inline QCheckBox* Check(const QWidget* d, int id) {
    auto* w = Control<QCheckBox>(d, id);
    EXPECT_NE(w, nullptr) << "check box " << id;
    return w;
}
inline void Click(const QWidget* d, int id) {
    auto* w = Control<QAbstractButton>(d, id);
    ASSERT_NE(w, nullptr) << "button " << id;
    w->click();
}
inline void Choose(const QWidget* d, int id, const QString& text) {
    QComboBox* list = List(d, id);
    ASSERT_NE(list, nullptr);
    const int i = list->findText(text);
    ASSERT_GE(i, 0) << "entry " << text.toStdString() << " of list " << id;
    list->setCurrentIndex(i);
}
inline QString Message(const QWidget* d) {
    auto* label = d->findChild<QLabel*>(QStringLiteral("message"));
    return label ? label->text() : QString();
}

} // namespace vistrel::test
