#pragma once

#include <QTest>

// The data rows of a test run once per gateway generation, in "algoType".
inline void addGatewayGenerations()
{
    QTest::addColumn<int>("algoType");
    QTest::newRow("newer gateway") << 1;
    QTest::newRow("older gateway") << 0;
}
