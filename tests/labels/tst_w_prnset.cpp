#include <QTest>
class tst_w_prnset : public QObject
{
    Q_OBJECT
};
QTEST_MAIN(tst_w_prnset)
#include "tst_w_prnset.moc"
