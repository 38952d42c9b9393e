#pragma once
// After Localise every control a user sees carries a text: none is empty, none shows its
// component name (the design default). Pictures and icon buttons are left out.
#include <QAbstractButton>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace uitest {

inline void ExpectShown(const QWidget& w, const QString& text)
{
    EXPECT_FALSE(text.trimmed().isEmpty()) << w.metaObject()->className() << " " << w.objectName().toStdString();
    EXPECT_NE(text, w.objectName()) << w.metaObject()->className();
}

inline void ExpectEveryTextShown(QWidget& root)
{
    for (QWidget* w : root.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&root))
            continue;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->pixmap().isNull())
                ExpectShown(*l, l->text());
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (b->icon().isNull() || !b->text().isEmpty())
                ExpectShown(*b, b->text());
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            ExpectShown(*g, g->title());
        } else if (auto* t = qobject_cast<QTabWidget*>(w)) {
            for (int i = 0; i < t->count(); ++i)
                ExpectShown(*t, t->tabText(i));
        } else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) {
            ExpectShown(*m, m->toPlainText());
        } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
            for (int c = 0; c < table->columnCount(); ++c)
                ExpectShown(*table, table->horizontalHeaderItem(c) ? table->horizontalHeaderItem(c)->text() : "");
        }
    }
}

} // namespace uitest
