// The product of test programs that have no chart subsystem: the framework's
// plug-in object without functions of its own.
#include "plugin/PlugIn.h"

namespace __Quarrow__ {

void RegisterPlugInFunctions()
{
    try {
        auto* chain = new ResponderChain;
        PlugIn::SetProduct(nullptr, chain);
        auto* product = new PlugIn(chain);
        PlugIn::SetProduct(product, chain);
        product->OnHandlersRegistered();
    } catch (...) {
        PlugIn::DestroyProduct();
    }
}

} // namespace __Quarrow__
