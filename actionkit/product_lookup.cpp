#include "product_lookup.h"

#include "product_info.h"
#include "str_util.h"
#include "text_util.h"
#include "version_text.h"

namespace {

const unsigned long kMostRelatedProducts = 128;

// code without the kind letter: "u{...}" and "p{...}" give "{...}".
std::string WithoutKind(const std::string& code, char kind) {
    const std::string text = Trim(code, " \t");
    if (text.size() > 1 && (text[0] | 0x20) == kind && text[1] == '{')
        return text.substr(1);
    return text;
}

}  // namespace

std::vector<std::string> RelatedProductCodes(InstallerQueries& queries,
                                             const std::string& upgradeCode) {
    const std::string code = WithoutKind(upgradeCode, 'u');
    std::vector<std::string> products;
    for (unsigned long index = 0; index < kMostRelatedProducts; ++index) {
        std::string product;
        if (queries.RelatedProduct(code.c_str(), index, &product) != kInstallerSuccess)
            break;
        products.push_back(product);
    }
    return products;
}

std::string InstalledVersion(InstallerQueries& queries, const std::string& productCode) {
    std::string version;
    const std::string code = WithoutKind(productCode, 'p');
    if (queries.ProductProperty(code.c_str(), "VersionString", &version) != kInstallerSuccess)
        return std::string();
    return version;
}

std::string HighestInstalledVersion(InstallerQueries& queries, const std::string& codes) {
    std::string highest;
    for (const std::string& item : SplitTokens(codes.c_str(), ',', 0)) {
        const std::string code = Trim(item, " \t");
        std::vector<std::string> products;
        if (!code.empty() && (code[0] | 0x20) == 'u')
            products = RelatedProductCodes(queries, code);
        else if (!code.empty())
            products.push_back(code);
        for (const std::string& product : products) {
            const std::string version = InstalledVersion(queries, product);
            if (!version.empty() && (highest.empty() || CompareFourFields(version, highest) > 0))
                highest = version;
        }
    }
    return highest;
}
