#include "publishqueue.h"

#include <QTest>

namespace {

PublishQueue::Update update(int n)
{
    return {"t", QByteArray::number(n)};
}

// Takes everything the window allows and hands it over under consecutive ids from `firstMid`.
QList<int> handOverAll(PublishQueue &queue, int firstMid, QList<int> *mids = nullptr)
{
    QList<int> taken;
    int mid = firstMid;
    while (std::optional<PublishQueue::Update> next = queue.takeNext()) {
        taken.append(next->payload.toInt());
        if (mids)
            mids->append(mid);
        queue.handedOver(mid++);
    }
    return taken;
}

} // namespace

class TestPublishQueue : public QObject {
    Q_OBJECT

private slots:
    void windowLimitsWhatIsHandedOver_data()
    {
        QTest::addColumn<int>("pushed");
        QTest::addColumn<int>("window");
        QTest::addColumn<QList<int>>("handedOver");

        QTest::newRow("fewer than the window") << 3 << 5 << QList<int>{0, 1, 2};
        QTest::newRow("exactly the window") << 4 << 4 << QList<int>{0, 1, 2, 3};
        QTest::newRow("more than the window") << 6 << 2 << QList<int>{0, 1};
        QTest::newRow("window of one") << 3 << 1 << QList<int>{0};
        QTest::newRow("nothing pushed") << 0 << 3 << QList<int>{};
    }

    void windowLimitsWhatIsHandedOver()
    {
        QFETCH(int, pushed);
        QFETCH(int, window);
        QFETCH(QList<int>, handedOver);
        PublishQueue queue(100, window);
        for (int i = 0; i < pushed; ++i)
            queue.push(update(i));
        QCOMPARE(handOverAll(queue, 1), handedOver);
        QCOMPARE(queue.inFlight(), handedOver.size());
        QCOMPARE(queue.waiting(), pushed - handedOver.size());
        QCOMPARE(queue.takeDropped(), 0);
    }

    void acknowledgementsOpenTheWindowInAnyOrder()
    {
        PublishQueue queue(100, 3);
        for (int i = 0; i < 8; ++i)
            queue.push(update(i));
        QList<int> mids;
        QCOMPARE(handOverAll(queue, 10, &mids), (QList<int>{0, 1, 2}));
        queue.acknowledged(mids.at(1));
        QCOMPARE(handOverAll(queue, 20), QList<int>{3});
        // An id the queue does not hold (a status message, say) changes nothing.
        queue.acknowledged(99);
        QCOMPARE(handOverAll(queue, 30), QList<int>{});
        queue.acknowledged(mids.at(2));
        queue.acknowledged(mids.at(0));
        QCOMPARE(handOverAll(queue, 40), (QList<int>{4, 5}));
        QCOMPARE(queue.waiting(), 2);
    }

    void overTheBoundTheOldestWaitingGo()
    {
        PublishQueue queue(4, 2);
        for (int i = 0; i < 2; ++i)
            queue.push(update(i));
        QCOMPARE(handOverAll(queue, 1), (QList<int>{0, 1}));
        // What is in flight is the client's; only the waiting ones count against the bound.
        for (int i = 2; i < 9; ++i)
            queue.push(update(i));
        QCOMPARE(queue.waiting(), 4);
        QCOMPARE(queue.takeDropped(), 3);
        QCOMPARE(queue.takeDropped(), 0);
        queue.acknowledged(1);
        queue.acknowledged(2);
        QCOMPARE(handOverAll(queue, 3), (QList<int>{5, 6}));
    }

    void putBackComesFirst()
    {
        PublishQueue queue(10, 2);
        for (int i = 0; i < 3; ++i)
            queue.push(update(i));
        std::optional<PublishQueue::Update> first = queue.takeNext();
        QVERIFY(first);
        queue.putBack(std::move(*first));
        QCOMPARE(queue.inFlight(), 0);
        QCOMPARE(handOverAll(queue, 1), (QList<int>{0, 1}));
        QCOMPARE(queue.takeDropped(), 0);
    }
};

QTEST_APPLESS_MAIN(TestPublishQueue)
#include "tst_publishqueue.moc"
