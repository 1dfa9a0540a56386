<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="hi">
<context>
    <name>CustomeCheckout</name>
    <message>
        <source>Back</source>
        <translation>वापस</translation>
    </message>
</context>
<context>
    <name>TarvelCheckoutViewController</name>
    <message>
        <source>Amount to pay</source>
        <translation>भुगतान की राशि</translation>
    </message>
    <message>
        <source>Verifying the order</source>
        <translation>ऑर्डर की जाँच हो रही है</translation>
    </message>
    <message>
        <source>Choose a UPI app to pay</source>
        <translation>भुगतान के लिए UPI ऐप चुनें</translation>
    </message>
    <message>
        <source>No UPI app found on this device</source>
        <translation>इस डिवाइस पर कोई UPI ऐप नहीं मिला</translation>
    </message>
    <message>
        <source>QR code to scan with a UPI app</source>
        <translation>UPI ऐप से स्कैन करने के लिए QR कोड</translation>
    </message>
    <message>
        <source>Processing the payment</source>
        <translation>भुगतान प्रोसेस हो रहा है</translation>
    </message>
    <message>
        <source>Order Processing</source>
        <translation>ऑर्डर प्रोसेस हो रहा है</translation>
    </message>
    <message>
        <source>Confirming your payment with the UPI app. Please keep this screen open.</source>
        <translation>UPI ऐप से आपके भुगतान की पुष्टि हो रही है। कृपया यह स्क्रीन खुली रखें।</translation>
    </message>
</context>
<context>
    <name>VerifyOTPViewController</name>
    <message>
        <source>Verifying the order</source>
        <translation>ऑर्डर की जाँच हो रही है</translation>
    </message>
    <message>
        <source>Almost there!</source>
        <translation>बस एक कदम और!</translation>
    </message>
    <message>
        <source>Order Id </source>
        <translation>ऑर्डर आईडी </translation>
    </message>
    <message>
        <source>Confirm your cash-on-delivery order with the OTP sent to your phone</source>
        <translation>अपने फ़ोन पर भेजे गए OTP से अपने कैश ऑन डिलीवरी ऑर्डर की पुष्टि करें</translation>
    </message>
    <message>
        <source>Enter the OTP you received on </source>
        <translation>आपको मिला OTP दर्ज करें</translation>
    </message>
    <message>
        <source>OTP digit 1 of 4</source>
        <translation>OTP का अंक 1 (कुल 4)</translation>
    </message>
    <message>
        <source>OTP digit 2 of 4</source>
        <translation>OTP का अंक 2 (कुल 4)</translation>
    </message>
    <message>
        <source>OTP digit 3 of 4</source>
        <translation>OTP का अंक 3 (कुल 4)</translation>
    </message>
    <message>
        <source>OTP digit 4 of 4</source>
        <translation>OTP का अंक 4 (कुल 4)</translation>
    </message>
    <message>
        <source>OTP does not match</source>
        <translation>OTP मेल नहीं खाता</translation>
    </message>
    <message>
        <source>Resend OTP in</source>
        <translation>OTP दोबारा भेजें</translation>
    </message>
    <message>
        <source>Resend OTP</source>
        <translation>OTP दोबारा भेजें</translation>
    </message>
    <message>
        <source>Checking the OTP</source>
        <translation>OTP की जाँच हो रही है</translation>
    </message>
    <message>
        <source>Submit OTP</source>
        <translation>OTP जमा करें</translation>
    </message>
    <message>
        <source>Verify &amp;&amp; Confirm Order</source>
        <translation>जाँचें और ऑर्डर की पुष्टि करें</translation>
    </message>
</context>
<context>
    <name>tarvel::CustomTextField</name>
    <message>
        <source>Copy</source>
        <translation>कॉपी करें</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>पेस्ट करें</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>सभी चुनें</translation>
    </message>
</context>
<context>
    <name>tarvel::CustomeCheckout</name>
    <message>
        <source>The checkout page could not be loaded. Check your internet connection, then go back and try again.</source>
        <translation>चेकआउट पेज लोड नहीं हो सका। अपना इंटरनेट कनेक्शन जाँचें, फिर वापस जाकर दोबारा कोशिश करें।</translation>
    </message>
</context>
<context>
    <name>tarvel::Message</name>
    <message>
        <source>No Network</source>
        <translation>नेटवर्क नहीं है</translation>
    </message>
    <message>
        <source>Data Not Found</source>
        <translation>डेटा नहीं मिला</translation>
    </message>
    <message>
        <source>Json Parsing Error</source>
        <translation>सर्वर का जवाब पढ़ा नहीं जा सका</translation>
    </message>
    <message>
        <source>Invalid Status Code</source>
        <translation>सर्वर से गलत जवाब मिला</translation>
    </message>
    <message>
        <source>Something went wrong!</source>
        <translation>कुछ गलत हो गया!</translation>
    </message>
    <message>
        <source>Invalid OTP</source>
        <translation>गलत OTP</translation>
    </message>
    <message>
        <source>Too many attempts</source>
        <translation>बहुत ज़्यादा कोशिशें हो गईं</translation>
    </message>
    <message>
        <source>OTP expired</source>
        <translation>OTP की समय-सीमा खत्म हो गई</translation>
    </message>
    <message>
        <source>OTP not requested</source>
        <translation>OTP का अनुरोध नहीं किया गया</translation>
    </message>
    <message>
        <source>OTP already used</source>
        <translation>यह OTP पहले ही इस्तेमाल हो चुका है</translation>
    </message>
</context>
<context>
    <name>tarvel::UpiCheckoutViewController</name>
    <message>
        <source>Could not open %1</source>
        <translation>%1 नहीं खुल सका</translation>
    </message>
    <message>
        <source>Order Processing</source>
        <translation>ऑर्डर प्रोसेस हो रहा है</translation>
    </message>
    <message>
        <source>Please install %1 in device</source>
        <translation>कृपया डिवाइस में %1 इंस्टॉल करें</translation>
    </message>
    <message>
        <source>Pay with %1</source>
        <translation>%1 से भुगतान करें</translation>
    </message>
    <message>
        <source>UPI link is not available</source>
        <translation>UPI लिंक उपलब्ध नहीं है</translation>
    </message>
    <message>
        <source>Verifying your order</source>
        <translation>आपके ऑर्डर की जाँच हो रही है</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>वापस</translation>
    </message>
    <message>
        <source>Pay &lt;b&gt;%1&lt;/b&gt;</source>
        <extracomment>The amount to pay; %1 is the rupee sign and the amount, as they are (&quot;₹1349.00&quot;).</extracomment>
        <translation>&lt;b&gt;%1&lt;/b&gt; का भुगतान करें</translation>
    </message>
    <message>
        <source>Don&apos;t worry! you can pay via scanning the &lt;b&gt;QR code &lt;/b&gt;from any other phone.</source>
        <translation>चिंता न करें! आप किसी दूसरे फ़ोन से &lt;b&gt;QR कोड &lt;/b&gt;स्कैन करके भुगतान कर सकते हैं।</translation>
    </message>
    <message>
        <source>Open any &lt;b&gt;UPI App&lt;/b&gt; on other phone</source>
        <translation>दूसरे फ़ोन पर कोई भी &lt;b&gt;UPI ऐप&lt;/b&gt; खोलें</translation>
    </message>
    <message>
        <source>&lt;b&gt;Scan QR Code &lt;/b&gt;to pay</source>
        <translation>भुगतान के लिए &lt;b&gt;QR कोड स्कैन करें&lt;/b&gt;</translation>
    </message>
    <message>
        <source>QR code not available</source>
        <translation>QR कोड उपलब्ध नहीं है</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel the payment?</source>
        <translation>क्या आप भुगतान रद्द करना चाहते हैं?</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>नहीं</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>हाँ</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>सूचना</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>ठीक है</translation>
    </message>
</context>
<context>
    <name>tarvel::VerifyOTPViewController</name>
    <message>
        <source>OTP does not match</source>
        <translation>OTP मेल नहीं खाता</translation>
    </message>
    <message>
        <source>Pay &lt;b&gt;%1&lt;/b&gt;</source>
        <extracomment>The amount to pay; %1 is the rupee sign and the amount, as they are (&quot;₹1349.00&quot;).</extracomment>
        <translation>&lt;b&gt;%1&lt;/b&gt; का भुगतान करें</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>वापस</translation>
    </message>
    <message>
        <source>Enter the OTP you received on %1</source>
        <extracomment>%1 is the shopper&apos;s phone number.</extracomment>
        <translation>%1 पर मिला OTP दर्ज करें</translation>
    </message>
    <message>
        <source>Order Id: %1</source>
        <translation>ऑर्डर आईडी: %1</translation>
    </message>
    <message>
        <source>Order Id </source>
        <translation>ऑर्डर आईडी </translation>
    </message>
    <message>
        <source>Please enter OTP</source>
        <translation>कृपया OTP दर्ज करें</translation>
    </message>
    <message>
        <source>Alert</source>
        <translation>सूचना</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>ठीक है</translation>
    </message>
    <message>
        <source>Are you sure you want to cancel the payment?</source>
        <translation>क्या आप भुगतान रद्द करना चाहते हैं?</translation>
    </message>
    <message>
        <source>CANCEL</source>
        <translation>नहीं</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>हाँ</translation>
    </message>
    <message>
        <source>Enter the OTP you received on </source>
        <translation>आपको मिला OTP दर्ज करें</translation>
    </message>
</context>
</TS>
