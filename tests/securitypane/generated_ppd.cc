#include "generated_ppd.h"

namespace securitypane::testing {

std::string GeneratePpd(const GeneratedPpd& shape) {
  std::string t =
      "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
      "*LanguageEncoding: ISOLatin1\n*PCFileName: \"GEN.PPD\"\n*Manufacturer: \"HALVERN\"\n"
      "*Product: \"(VN420P)\"\n*ModelName: \"VN420P\"\n*ShortNickName: \"GEN\"\n*NickName: \"GEN\"\n"
      "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: True\n*DefaultColorSpace: CMYK\n"
      "*FileSystem: False\n*Throughput: \"30\"\n*TTRasterizer: Type42\n"
      "*OpenUI *PageSize/Media Size: PickOne\n*DefaultPageSize: A4\n"
      "*PageSize A4/A4: \"\"\n*PageSize Letter/US Letter: \"\"\n*CloseUI: *PageSize\n"
      "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"12 12 583 830\"\n"
      "*ImageableArea Letter/US Letter: \"12 12 600 780\"\n"
      "*DefaultPaperDimension: A4\n*PaperDimension A4/A4: \"595 842\"\n*PaperDimension Letter/US Letter: "
      "\"612 792\"\n"
      "*OpenUI *PrintModeVN420P/Print Mode: PickOne\n*DefaultPrintModeVN420P: Normal\n"
      "*PrintModeVN420P Normal/Normal Print: \"\"\n*PrintModeVN420P SecurePrint/Secure Print: \"\"\n"
      "*CloseUI: *PrintModeVN420P\n"
      "*OpenUI *HVAuthenticationVN420P/User Authentication: Boolean\n*DefaultHVAuthenticationVN420P: False\n"
      "*HVAuthenticationVN420P True/On: \"\"\n*HVAuthenticationVN420P False/Off: \"\"\n"
      "*CloseUI: *HVAuthenticationVN420P\n"
      "*OpenUI *HVSectionManagementVN420P/Section Management: Boolean\n*DefaultHVSectionManagementVN420P: "
      "False\n"
      "*HVSectionManagementVN420P True/On: \"\"\n*HVSectionManagementVN420P False/Off: \"\"\n"
      "*CloseUI: *HVSectionManagementVN420P\n";
  for (int i = 0; i < shape.fillerOptions; ++i) {
    const std::string k = "Filler" + std::to_string(i);
    t += "*OpenUI *" + k + "/" + k + ": PickOne\n*Default" + k + ": A\n*" + k + " A/A: \"\"\n*" + k +
         " B/B: \"\"\n*CloseUI: *" + k + "\n";
  }
  for (const std::string& line : shape.extraLines) t += line + "\n";
  for (const std::string& line : shape.extraConstraints) t += line + "\n";
  const int fillers = shape.fillerOptions > 1 ? shape.fillerOptions : 2;
  for (int i = 0; i < shape.unrelatedConstraints; ++i) {
    // Pairs that never fire on the defaults (both are "A").
    const int a = i % fillers, b = (i / fillers + a + 1) % fillers;
    t += "*UIConstraints: *Filler" + std::to_string(a) + " B *Filler" +
         std::to_string(b == a ? (b + 1) % fillers : b) + " " + (i % 2 ? "A" : "B") + "\n";
  }
  return t;
}

}  // namespace securitypane::testing
