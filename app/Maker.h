#pragma once
// The maker's home page and feedback address: the one place that holds them.
// The about box's template builds its two link labels from these (the
// resource script includes this file) and its code builds the two link
// targets from them. Plain string literals, so that both the resource
// compiler and C++ (as L"" MAKER_...) can join them to other texts.
#define MAKER_HOME_HOST "www.pivotdesk.example"
#define MAKER_HOME_URL "http://" MAKER_HOME_HOST "/"
#define MAKER_FEEDBACK_ADDRESS "feedback@pivotdesk.example"
