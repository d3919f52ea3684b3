#include "driver/Documents.h"

#include <pugixml.hpp>

#include "common/Error.h"
#include "common/Text.h"

namespace {

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};

std::u16string Serialize(const pugi::xml_document& doc) {
    StringWriter writer;
    doc.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
    return FromUtf8(writer.text);
}

void Declare(pugi::xml_document& doc) {
    doc.append_child(pugi::node_declaration).append_attribute("version") = "1.0";
}

void Attribute(pugi::xml_node node, const char* name, std::u16string_view value) {
    node.append_attribute(name) = ToUtf8(value).c_str();
}

void Attribute(pugi::xml_node node, const char* name, bool value) {
    node.append_attribute(name) = value ? "true" : "false";
}

}  // namespace

std::u16string DescriptionDocument(const TDriverInfo& AInfo, bool ALogEnabled, const std::u16string& ALogPath) {
    pugi::xml_document doc;
    Declare(doc);
    pugi::xml_node root = doc.append_child("DriverDescription");
    Attribute(root, "Name", AInfo.Name);
    Attribute(root, "Description", AInfo.Description);
    Attribute(root, "EquipmentType", EquipmentTypeToString(AInfo.EquipmentType));
    Attribute(root, "IntegrationComponent", AInfo.IntegrationComponent);
    Attribute(root, "MainDriverInstalled", AInfo.MainDriverInstalled);
    Attribute(root, "DriverVersion", AInfo.DriverVersion);
    Attribute(root, "IntegrationComponentVersion", AInfo.IntegrationComponentVersion);
    Attribute(root, "DownloadURL", AInfo.DownloadURL);
    Attribute(root, "LogIsEnabled", ALogEnabled);
    Attribute(root, "LogPath", ALogPath);
    return Serialize(doc);
}

std::u16string SettingsDocument(std::optional<std::string_view> ATemplate, const TExportTable& AExports,
                                const std::u16string& APageCaption) {
    if (ATemplate) {
        pugi::xml_document doc;
        const pugi::xml_parse_result parsed =
            doc.load_buffer(ATemplate->data(), ATemplate->size(), pugi::parse_full, pugi::encoding_auto);
        if (!parsed) {
            throw EComponentError(u"Settings template: " + FromUtf8(parsed.description()) + u" at offset " +
                                  IntToText(parsed.offset));
        }
        return Serialize(doc);
    }
    pugi::xml_document doc;
    Declare(doc);
    pugi::xml_node page = doc.append_child("Settings").append_child("Page");
    Attribute(page, "Caption", APageCaption);
    ForEachProperty(AExports, [&](const TPropertyRow& row) {
        pugi::xml_node parameter = page.append_child("Parameter");
        Attribute(parameter, "Name", row.Name);
        Attribute(parameter, "Caption", row.Attribute.Caption());
        Attribute(parameter, "TypeValue", TypeValueToString(GetTypeValue(row.Access.Kind)));
        Attribute(parameter, "DefaultValue", row.Attribute.DefValue());
        Attribute(parameter, "ReadOnly", row.Attribute.ReadOnly());
    });
    return Serialize(doc);
}

std::u16string ActionsDocument(const TExportTable& AExports) {
    pugi::xml_document doc;
    Declare(doc);
    pugi::xml_node actions = doc.append_child("Actions");
    ForEachMethod(AExports, [&](const TMethodRow& row) {
        const auto* action = std::get_if<AdditionalActionAttribute>(&row.Attribute);
        if (!action) return;
        pugi::xml_node node = actions.append_child("Action");
        Attribute(node, "Name", row.Name);
        Attribute(node, "Caption", action->Caption());
    });
    return Serialize(doc);
}
