#include "configfile/ImageToCcf.h"

#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"

namespace cac {

CcfFromImage ImageToCcf(const QByteArray& image, const VariableCatalogue& catalogue,
                        const QStringList& variableList) {
    ConfigModel model;
    model.setVariableList(variableList);
    CcfFromImage result;
    result.decoding = DecodeConfigImage(image, catalogue, model);
    result.ccf = SerializeCcf(model);
    return result;
}

} // namespace cac
