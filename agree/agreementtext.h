#ifndef QUADROTAG_AGREEMENTTEXT_H
#define QUADROTAG_AGREEMENTTEXT_H

#include <QByteArray>

class AgreementTally;

// The agreement as one JSON object on one line, floats to three decimals, kappa null where
// it is undefined.
QByteArray agreementJson(const AgreementTally& tally);
// The same as tables for a reader.
QByteArray agreementTable(const AgreementTally& tally);

#endif
