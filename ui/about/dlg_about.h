// CDlgAbout: the sheet's About page. It shows the program's version information, the translator's
// credit of the current language, the product icon and four links: the product's web page and the
// pages of the call client, the MP3 encoder and the webcam application. GUI thread only.
#pragma once

#include <QString>
#include <string>

#include "ui/sheet/prop_page.h"

class QLabel;
class CSheetServices;

class CDlgAbout : public CPropPage {
 public:
  CDlgAbout(CSheetServices& services, QWidget* parent = nullptr);

  std::u16string GetTabTitle() const override;
  void Localize() override;
  void OnSetActive() override;

  // The product's web page for the current language.
  std::u16string ProductAddress();
  static const char16_t* const kCallClientAddress;
  static const char16_t* const kEncoderAddress;
  static const char16_t* const kWebcamAddress;

  // A value of the program's version information; "" when it has none of that name.
  static std::u16string VersionValue(std::u16string_view name);

  QLabel* Description() const { return m_description; }
  QLabel* FileVersion() const { return m_fileVersion; }
  QLabel* Copyright() const { return m_copyright; }
  QLabel* Company() const { return m_company; }
  QLabel* Credit() const { return m_credit; }
  QLabel* ComponentsLabel() const { return m_components; }
  QLabel* CallClientLink() const { return m_callClient; }
  QLabel* EncoderLink() const { return m_encoder; }
  QLabel* WebcamLink() const { return m_webcam; }
  QLabel* Icon() const { return m_icon; }

 private:
  QLabel* MakeLink(const QString& text, const std::u16string& address);
  void FillVersionInfo();
  void Open(const QString& address);

  CSheetServices& m_services;
  QLabel* m_icon;
  QLabel* m_description;
  QLabel* m_fileVersion;
  QLabel* m_copyright;
  QLabel* m_company;
  QLabel* m_credit;
  QLabel* m_callClient;
  QLabel* m_components;
  QLabel* m_encoder;
  QLabel* m_webcam;
};
