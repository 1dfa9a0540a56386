#pragma once

/// \file
/// Tarvel Checkout: everything a host application uses, in one include.
///
/// \code
///   #include "tarvel/Tarvel.h"
///   auto checkout = std::make_shared<tarvel::TarvelCheckout>(false, delegate);
///   checkout->openCart(order);
/// \endcode

#include "tarvel/APICompletion.h"
#include "tarvel/APIError.h"
#include "tarvel/APIService.h"
#include "tarvel/AnalyticsEnvironment.h"
#include "tarvel/AnalyticsEvents.h"
#include "tarvel/BackSpaceDelegate.h"
#include "tarvel/BottomBorder.h"
#include "tarvel/CheckoutScreen.h"
#include "tarvel/CheckoutStatusDelegate.h"
#include "tarvel/Closure.h"
#include "tarvel/Color.h"
#include "tarvel/Config.h"
#include "tarvel/CustomTextField.h"
#include "tarvel/CustomeCheckout.h"
#include "tarvel/DeviceModel.h"
#include "tarvel/Dictionary.h"
#include "tarvel/Environment.h"
#include "tarvel/GetBundle.h"
#include "tarvel/HalfSizePresentationController.h"
#include "tarvel/InternetConnectionManager.h"
#include "tarvel/Log.h"
#include "tarvel/NavigationController.h"
#include "tarvel/NetworkManager.h"
#include "tarvel/OTPVerifyDelegate.h"
#include "tarvel/OrderKeys.h"
#include "tarvel/PaymentOptionView.h"
#include "tarvel/PaymentType.h"
#include "tarvel/Shadow.h"
#include "tarvel/TarvelCheckout.h"
#include "tarvel/TarvelChekoutViewModel.h"
#include "tarvel/TarvelPaymentStatusDelegate.h"
#include "tarvel/TextFieldDelegate.h"
#include "tarvel/Theme.h"
#include "tarvel/UIFont.h"
#include "tarvel/UpiCheckoutViewController.h"
#include "tarvel/VXAPIServiceProtocol.h"
#include "tarvel/VerifyOTPViewController.h"
#include "tarvel/VerifyOTPViewModel.h"
#include "tarvel/Version.h"
#include "tarvel/ViewController.h"
