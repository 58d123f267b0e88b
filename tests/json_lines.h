#pragma once

// The objects of a JSON Lines text, each line checked to parse.

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>

#include <gtest/gtest.h>

inline QList<QJsonObject> JsonLines(const QByteArray& text) {
    QList<QJsonObject> objects;
    for (const QByteArray& line : text.split('\n')) {
        if (line.isEmpty()) {
            continue;
        }
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        objects << document.object();
    }
    return objects;
}
