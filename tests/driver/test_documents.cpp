// The description, settings and actions documents, and the settings template
// that the component carries.
#include <doctest.h>

#include <pugixml.hpp>

#include <string>
#include <vector>

#include "common/Error.h"
#include "driver/DriverHost.h"
#include "driver/Documents.h"
#include "emulator/Driver.h"
#include "log/Log.h"
#include "platform/Platform.h"
#include "platform/Resources.h"
#include "resources/ResourceIds.h"

namespace {

struct Parsed {
    pugi::xml_document doc;
    explicit Parsed(const std::u16string& text) { Load(ToUtf8(text)); }
    explicit Parsed(std::string_view bytes) { Load(bytes); }
    void Load(std::string_view bytes) {
        const auto result = doc.load_buffer(bytes.data(), bytes.size(), pugi::parse_default | pugi::parse_declaration);
        REQUIRE_MESSAGE(result, result.description());
    }
    pugi::xml_node Root() const { return doc.document_element(); }
    pugi::xml_node Declaration() const { return doc.first_child(); }
};

std::vector<std::string> AttributeNames(pugi::xml_node node) {
    std::vector<std::string> names;
    for (pugi::xml_attribute a : node.attributes()) names.emplace_back(a.name());
    return names;
}

std::vector<pugi::xml_node> Children(pugi::xml_node node, const char* name = nullptr) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element && (!name || std::string(child.name()) == name)) out.push_back(child);
    }
    return out;
}

// Every element with its attributes and text, in document order.
std::vector<std::string> Flatten(const Parsed& parsed) {
    std::vector<std::string> out;
    for (pugi::xpath_node n : parsed.doc.select_nodes("//*")) {
        std::string line = n.node().path();
        for (pugi::xml_attribute a : n.node().attributes()) line += std::string(" ") + a.name() + "=" + a.value();
        out.push_back(line + " text=" + n.node().child_value());
    }
    return out;
}

std::u16string Attr(pugi::xml_node node, const char* name) { return FromUtf8(node.attribute(name).value()); }

void CheckGeneratedDeclaration(const Parsed& parsed) {
    const pugi::xml_node declaration = parsed.Declaration();
    REQUIRE(declaration.type() == pugi::node_declaration);
    CHECK(std::string(declaration.attribute("version").value()) == "1.0");
    CHECK(declaration.attribute("encoding").empty());
}

std::u16string Description(DriverObject& driver) {
    std::u16string text;
    REQUIRE(driver.TextMethod(u"GetDescription", text));
    return text;
}

}  // namespace

TEST_CASE("the description document of the shipped driver") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    Parsed parsed(Description(driver));
    CheckGeneratedDeclaration(parsed);
    const pugi::xml_node root = parsed.Root();
    CHECK(std::string(root.name()) == "DriverDescription");
    CHECK(Children(root).empty());
    CHECK(root.text().empty());
    CHECK(AttributeNames(root) ==
          std::vector<std::string>{"Name", "Description", "EquipmentType", "IntegrationComponent", "MainDriverInstalled",
                                   "DriverVersion", "IntegrationComponentVersion", "DownloadURL", "LogIsEnabled",
                                   "LogPath"});
    CHECK(Attr(root, "Name") == u"Драйвер эмулятор считывателя магнитных карт");
    CHECK(Attr(root, "Description") == u"Драйвер эмулятор считывателя магнитных карт 1С:Совместимо NativeAPI");
    CHECK(Attr(root, "EquipmentType") == u"СчитывательМагнитныхКарт");
    CHECK(Attr(root, "IntegrationComponent") == u"false");
    CHECK(Attr(root, "MainDriverInstalled") == u"false");
    CHECK(Attr(root, "DriverVersion") == FromUtf8(MCR_TEST_VERSION_TEXT));
    CHECK(Attr(root, "IntegrationComponentVersion") == FromUtf8(MCR_TEST_VERSION_TEXT));
    CHECK(Attr(root, "DownloadURL") == FromUtf8(MCR_TEST_DOWNLOAD_URL));
    CHECK(Attr(root, "LogIsEnabled") == u"false");
    const std::u16string logPath = Attr(root, "LogPath");
    CHECK(logPath == host.log.Directory());
    CHECK(platform::DirectoryExists(logPath));
}

TEST_CASE("LogIsEnabled follows the setting without re-creating the object") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    CHECK(Attr(Parsed(Description(driver)).Root(), "LogIsEnabled") == u"false");
    REQUIRE(driver.SetParameter(u"LogEnabled", HostBool(true)));
    CHECK(Attr(Parsed(Description(driver)).Root(), "LogIsEnabled") == u"true");
    REQUIRE(driver.SetParameter(u"LogEnabled", HostBool(false)));
    CHECK(Attr(Parsed(Description(driver)).Root(), "LogIsEnabled") == u"false");
}

TEST_CASE("creating a second object leaves the description unchanged") {
    DriverHost host;
    DriverObject first(u"tarvik");
    const std::u16string before = Description(first);
    DriverObject second(u"tarvik");
    CHECK(Description(first) == before);
    CHECK(Description(second) == before);
}

TEST_CASE("a driver that keeps the base description is of unknown equipment type") {
    DriverHost host;
    DriverObject plain(u"Plain");
    CHECK(Attr(Parsed(Description(plain)).Root(), "EquipmentType") == u"НеизвестныйТипОборудования");
    CHECK(DriverInfo.Name == u"Драйвер эмулятор считывателя магнитных карт");  // the name survives the refill
}

TEST_CASE("an equipment type outside the list fails GetDescription with a recorded error") {
    DriverHost host;
    DriverObject bad(u"BadType");
    std::u16string text;
    CHECK_FALSE(bad.TextMethod(u"GetDescription", text));
    std::u16string description;
    CHECK(bad.LastError(&description) == 1001);
    CHECK(description == u"Enum value unacceptable");
    CHECK_THROWS_WITH(EquipmentTypeToString(static_cast<TEquipmentType::TValue>(14)), "Enum value unacceptable");
    CHECK(EquipmentTypeToString(TEquipmentType::etScanner) == u"СканерШтрихкода");
    CHECK(EquipmentTypeToString(TEquipmentType::etVideocamera) == u"Видеокамера");
}

TEST_CASE("texts with markup characters survive the description document") {
    TDriverInfo info;
    info.Name = u"A & B <\"quoted\"> 'x'";
    info.Description = u"tab\there";
    const Parsed parsed(DescriptionDocument(info, true, u"C:\\Logs\\"));
    CHECK(Attr(parsed.Root(), "Name") == info.Name);
    CHECK(Attr(parsed.Root(), "LogIsEnabled") == u"true");
    CHECK(Attr(parsed.Root(), "LogPath") == u"C:\\Logs\\");
    CHECK(Attr(parsed.Root(), "EquipmentType") == u"НеизвестныйТипОборудования");
}

TEST_CASE("the settings template carried by the component, exactly") {
    const auto bytes = platform::FindResourceData(u"Parameters");
    REQUIRE(bytes.has_value());
    REQUIRE(bytes->size() > 3);
    CHECK(bytes->substr(0, 3) == "\xEF\xBB\xBF");
    CHECK(bytes->substr(3, 38) == "<?xml version=\"1.0\" encoding=\"UTF-8\"?>");

    Parsed parsed(*bytes);
    const pugi::xml_node settings = parsed.Root();
    CHECK(std::string(settings.name()) == "Settings");
    CHECK(settings.first_attribute().empty());
    const auto pages = Children(settings);
    REQUIRE(pages.size() == 1);
    CHECK(std::string(pages[0].name()) == "Page");
    CHECK(AttributeNames(pages[0]) == std::vector<std::string>{"Caption"});
    CHECK(Attr(pages[0], "Caption") == u"Настройки");
    const auto groups = Children(pages[0]);
    REQUIRE(groups.size() == 2);
    CHECK(std::string(groups[0].name()) == "Group");
    CHECK(std::string(groups[1].name()) == "Group");
    CHECK(Attr(groups[0], "Caption") == u"Штрихкоды");
    CHECK(Attr(groups[1], "Caption") == u"Общие настройки");

    struct Expected {
        std::u16string name, caption, type, def;
    };
    std::vector<Expected> barcodes;
    for (char16_t n = u'1'; n <= u'8'; ++n) {
        const std::u16string digit(1, n);
        const std::u16string def = n == u'1' ? u"123456789" : n == u'2' ? u"ABCDEFGH" : u"";
        barcodes.push_back({u"Barcode" + digit, u"Штрихкод " + digit, u"String", def});
        barcodes.push_back({u"IsBase64_" + digit, u"Штрихкод " + digit + u" в base64", u"Boolean", u"false"});
    }
    const std::vector<Expected> general = {{u"Delay", u"Задержка в мс", u"Number", u"1500"},
                                           {u"Transparency", u"Прозрачность", u"Number", u"20"},
                                           {u"LogEnabled", u"Вести лог", u"Boolean", u"true"}};
    const std::vector<Expected>* expected[] = {&barcodes, &general};
    for (size_t g = 0; g < 2; ++g) {
        const auto parameters = Children(groups[g]);
        REQUIRE(parameters.size() == expected[g]->size());
        for (size_t i = 0; i < parameters.size(); ++i) {
            const Expected& e = (*expected[g])[i];
            CAPTURE(ToUtf8(e.name));
            CHECK(std::string(parameters[i].name()) == "Parameter");
            CHECK(AttributeNames(parameters[i]) ==
                  std::vector<std::string>{"Name", "Caption", "TypeValue", "DefaultValue"});
            CHECK(Attr(parameters[i], "Name") == e.name);
            CHECK(Attr(parameters[i], "Caption") == e.caption);
            CHECK(Attr(parameters[i], "TypeValue") == e.type);
            CHECK(Attr(parameters[i], "DefaultValue") == e.def);
            if (e.name != u"Transparency") CHECK(parameters[i].first_child().empty());
        }
    }
    const pugi::xml_node transparency = Children(groups[1])[1];
    const auto lists = Children(transparency);
    REQUIRE(lists.size() == 1);
    CHECK(std::string(lists[0].name()) == "ChoiceList");
    const auto items = Children(lists[0]);
    REQUIRE(items.size() == 25);
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        CHECK(std::string(items[i].name()) == "Item");
        CHECK(AttributeNames(items[i]) == std::vector<std::string>{"Value"});
        CHECK(std::string(items[i].attribute("Value").value()) == number);
        CHECK(std::string(items[i].child_value()) == number);
    }
}

TEST_CASE("every setting of the template is one the driver accepts by that name") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    Parsed parsed(*platform::FindResourceData(u"Parameters"));
    int count = 0;
    for (pugi::xpath_node node : parsed.doc.select_nodes("//Parameter")) {
        const std::u16string name = Attr(node.node(), "Name");
        CAPTURE(ToUtf8(name));
        const std::u16string type = Attr(node.node(), "TypeValue");
        const V8Variant value = type == u"String" ? driver.Text(Attr(node.node(), "DefaultValue"))
                                : type == u"Boolean" ? HostBool(false)
                                                     : HostInt(5);
        CHECK(driver.SetParameter(name, value));
        ++count;
    }
    CHECK(count == 19);
}

TEST_CASE("GetParameters hands over the template unchanged by the settings") {
    DriverHost host;
    DriverObject driver(u"tarvik");
    std::u16string before;
    REQUIRE(driver.TextMethod(u"ПолучитьПараметры", before));
    REQUIRE(driver.SetParameter(u"Barcode1", driver.Text(u"changed")));
    REQUIRE(driver.SetParameter(u"Delay", HostInt(4321)));
    std::u16string after;
    REQUIRE(driver.TextMethod(u"GetParameters", after));
    CHECK(after == before);
    CHECK(after.find(u"changed") == std::u16string::npos);
    CHECK(after.find(u"4321") == std::u16string::npos);

    // The same document as the template, element for element.
    const Parsed handed(after);
    const Parsed carried(*platform::FindResourceData(u"Parameters"));
    CHECK(std::string(handed.Declaration().attribute("version").value()) == "1.0");
    CHECK(Flatten(handed) == Flatten(carried));
    CHECK(handed.doc.select_nodes("//Item").size() == 25);
}

TEST_CASE("without a template, settings are generated from the exported properties in member order") {
    const Parsed parsed(SettingsDocument(std::nullopt, TSampleDriver::Exports, u"Параметры"));
    CheckGeneratedDeclaration(parsed);
    CHECK(std::string(parsed.Root().name()) == "Settings");
    const auto pages = Children(parsed.Root());
    REQUIRE(pages.size() == 1);
    CHECK(Attr(pages[0], "Caption") == u"Параметры");
    const auto parameters = Children(pages[0]);
    struct Expected {
        std::u16string name, caption, type, def, readOnly;
    };
    const std::vector<Expected> expected = {
        {u"Count", u"Количество штук", u"Number", u"5", u"false"},
        {u"Big", u"Большое", u"Number", u"0", u"false"},
        {u"Flag", u"Флаг", u"Boolean", u"false", u"false"},
        {u"Ratio", u"Доля", u"Number", u"0.5", u"false"},
        {u"Text", u"Текст", u"String", u"", u"false"},
        {u"Serial", u"Заводской номер", u"String", u"", u"true"},
        {u"Letter", u"Буква", u"String", u"x", u"false"},
        {u"Mode", u"Режим", u"Unknown", u"mSlow", u"false"},
        {u"Twice", u"Дважды", u"Number", u"1", u"false"},
        {u"Twice", u"Ещё раз", u"Number", u"2", u"false"},
        {u"LogEnabled", u"Вести лог", u"Boolean", u"False", u"false"},
    };
    REQUIRE(parameters.size() == expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        CAPTURE(i);
        CHECK(std::string(parameters[i].name()) == "Parameter");
        CHECK(AttributeNames(parameters[i]) ==
              std::vector<std::string>{"Name", "Caption", "TypeValue", "DefaultValue", "ReadOnly"});
        CHECK(Attr(parameters[i], "Name") == expected[i].name);
        CHECK(Attr(parameters[i], "Caption") == expected[i].caption);
        CHECK(Attr(parameters[i], "TypeValue") == expected[i].type);
        CHECK(Attr(parameters[i], "DefaultValue") == expected[i].def);
        CHECK(Attr(parameters[i], "ReadOnly") == expected[i].readOnly);
        CHECK(parameters[i].first_child().empty());
    }
}

TEST_CASE("without a template and without properties, one empty page") {
    const Parsed parsed(SettingsDocument(std::nullopt, TBareDriver::Exports, platform::LoadResString(MCR_IDS_PARAMETERS)));
    const auto pages = Children(parsed.Root());
    REQUIRE(pages.size() == 1);
    CHECK(Attr(pages[0], "Caption") == u"Параметры");
    CHECK(pages[0].first_child().empty());
}

TEST_CASE("a template that is not well-formed fails with the parser's message") {
    try {
        SettingsDocument(std::string_view("\xEF\xBB\xBF<Settings><Page></Settings>"), TDriver::Exports, u"");
        FAIL("parsed");
    } catch (const EComponentError& e) {
        CHECK(e.Message().rfind(u"Settings template: ", 0) == 0);
        CHECK(e.Message().find(u"offset") != std::u16string::npos);
    }
    CHECK_THROWS_AS(SettingsDocument(std::string_view(""), TDriver::Exports, u""), EComponentError);
}

TEST_CASE("the actions document lists ViewLog before ShowHelp, derived actions first") {
    const Parsed shipped(ActionsDocument(TDriver::Exports));
    CheckGeneratedDeclaration(shipped);
    CHECK(std::string(shipped.Root().name()) == "Actions");
    const auto actions = Children(shipped.Root());
    REQUIRE(actions.size() == 2);
    CHECK(AttributeNames(actions[0]) == std::vector<std::string>{"Name", "Caption"});
    CHECK(Attr(actions[0], "Name") == u"ViewLog");
    CHECK(Attr(actions[0], "Caption") == u"Просмотр лога");
    CHECK(Attr(actions[1], "Name") == u"ShowHelp");
    CHECK(Attr(actions[1], "Caption") == u"Справка");

    const Parsed sample(ActionsDocument(TSampleDriver::Exports));
    const auto all = Children(sample.Root());
    REQUIRE(all.size() == 4);
    CHECK(Attr(all[0], "Caption") == u"Обновить");
    CHECK(Attr(all[1], "Caption") == u"Обновить ещё");
    CHECK(Attr(all[1], "Name") == u"Refresh");
    CHECK(Attr(all[2], "Name") == u"ViewLog");
}

TEST_CASE("the component's resources: the template by name in any case, the two strings") {
    CHECK(platform::FindResourceData(u"PARAMETERS") == platform::FindResourceData(u"Parameters"));
    CHECK_FALSE(platform::FindResourceData(u"NoSuchResource").has_value());
    CHECK(platform::LoadResString(MCR_IDS_PARAMETERS) == u"Параметры");
    CHECK(platform::LoadResString(MCR_IDS_HELP) == u"Справка");
    CHECK(platform::LoadResString(999).empty());
}
