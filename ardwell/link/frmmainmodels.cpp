// Model selection: the option button that is set is the model; choosing one sets the caption,
// the bus addresses and (except for PCA) the lists of the adjust and programme panels.
#include "ardwell/link/frmmain.h"

namespace ardwell {

Model frmMain::currentModel() const { return ardwell::currentModel(controls_); }

void frmMain::modelChosen(Model m)
{
    const ModelEntry& e = modelEntry(m);
    setWindowTitle(windowCaption(windowTitle_, m));
    if (e.rebuildsLists)
        buildLists();
    v_.setText(QStringLiteral("txtSource"), QString::fromLatin1(e.source));
    v_.setText(QStringLiteral("txtDestination"), QString::fromLatin1(e.destination));
}

void frmMain::buildLists()
{
    trap(QStringLiteral("Error Building Lists routine : "), [&] {
        const ModelLists l = modelLists(currentModel());
        auto fill = [this](const QString& name, const ListItems& list, bool select = true) {
            v_.setItems(name, list.items);
            if (select)
                v_.setValue(name, list.shown);
        };
        fill(QStringLiteral("cmbCoinNumber"), l.coinNumber);
        fill(QStringLiteral("cmbChangeCoin"), l.changeCoin, false);
        fill(QStringLiteral("cmbInhibitLine"), l.inhibitLine);
        fill(QStringLiteral("cmbOutput"), l.output);
        fill(QStringLiteral("cmbPlugDecode"), l.plugDecode);
        fill(QStringLiteral("cmbRoute"), l.route);
        if (l.recalcBinary)
            calcBinary();
        v_.setVisible(QStringLiteral("txtBinary"), l.binaryVisible);
        v_.setVisible(QStringLiteral("lblBinary"), l.binaryVisible);
        v_.setVisible(QStringLiteral("cmbPlugDecode"), l.plugVisible);
        v_.setVisible(QStringLiteral("lblPlug"), l.plugVisible);
        v_.setVisible(QStringLiteral("cmbRoute"), l.routeVisible);
        v_.setVisible(QStringLiteral("lblRoute"), l.routeLabelVisible);
        v_.setText(QStringLiteral("lblBinary"), l.binaryLabel);
        v_.setText(QStringLiteral("lblinhline"), l.inhibitLabel);
        v_.setValue(QStringLiteral("cmbChangeCoin"), l.changeCoin.shown);
        fill(QStringLiteral("cmbDefaultRoute"), l.defaultRoute);
    });
}

void frmMain::calcBinary()
{
    trap(QStringLiteral("Error Calc-Binary routine : "), [&] {
        if (const auto code = binaryCodeOf(v_.text(QStringLiteral("cmbOutput"))))
            v_.setText(QStringLiteral("txtBinary"), *code);
    });
}

} // namespace ardwell
