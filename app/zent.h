// The application object: starts the program and its single-document board.
#pragma once

#include "platform/Framework.h"

class CZentApp : public CWinApp {
public:
    CZentApp();
    BOOL InitInstance() override;

protected:
    afx_msg void OnAppAbout();
    DECLARE_MESSAGE_MAP()
};

CZentApp &ZentApp();
