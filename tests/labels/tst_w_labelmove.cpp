#include <QTest>
class tst_w_labelmove : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(tst_w_labelmove)
#include "tst_w_labelmove.moc"
