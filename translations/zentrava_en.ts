<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>AboutDlg</name>
    <message>
        <source>關於 Zentrava Pro</source>
        <translation>About Zentrava Pro</translation>
    </message>
    <message>
        <source>&lt;b&gt;Zentrava Pro&lt;/b&gt;&lt;br&gt;Zentrava Pro %1 版&lt;br&gt;FTP、FTPS 與 SFTP 檔案傳送程式</source>
        <translation>&lt;b&gt;Zentrava Pro&lt;/b&gt;&lt;br&gt;Zentrava Pro version %1&lt;br&gt;FTP, FTPS and SFTP file transfer client</translation>
    </message>
</context>
<context>
    <name>AddFavouriteDlg</name>
    <message>
        <source>加到我的最愛</source>
        <translation>Add to Favorites</translation>
    </message>
    <message>
        <source>輸入站台名稱：</source>
        <translation>Enter the site name:</translation>
    </message>
    <message>
        <source>新增資料夾</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>重新命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>刪除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>這個資料夾中已經有站台 &apos;%1&apos;，要以新的設定取代它嗎？</source>
        <translation>This folder already has a site named &apos;%1&apos;. Replace it with the new settings?</translation>
    </message>
    <message>
        <source>無法儲存 %1</source>
        <translation>Could not save %1</translation>
    </message>
    <message>
        <source>無法儲存站台設定到 %1</source>
        <translation>Could not save the site settings to %1</translation>
    </message>
</context>
<context>
    <name>AfterQueueActions</name>
    <message>
        <source>中斷站台連線</source>
        <translation>disconnect from the sites</translation>
    </message>
    <message>
        <source>中斷站台連線並結束程式</source>
        <translation>disconnect from the sites and exit</translation>
    </message>
    <message>
        <source>中斷網際網路連線</source>
        <translation>disconnect from the Internet</translation>
    </message>
    <message>
        <source>關閉電腦</source>
        <translation>shut down the computer</translation>
    </message>
    <message>
        <source>登出</source>
        <translation>log out</translation>
    </message>
    <message>
        <source>不做任何動作</source>
        <translation>do nothing</translation>
    </message>
    <message>
        <source>無法%1：%2</source>
        <translation>Could not %1: %2</translation>
    </message>
</context>
<context>
    <name>ArchivePasswordDlg</name>
    <message>
        <source>壓縮檔密碼</source>
        <translation>Archive Password</translation>
    </message>
    <message>
        <source>密碼：</source>
        <translation>Password:</translation>
    </message>
</context>
<context>
    <name>CertificateDlg</name>
    <message>
        <source>是否接受憑證？</source>
        <translation>Accept this certificate?</translation>
    </message>
    <message>
        <source>發行者：</source>
        <translation>Issuer:</translation>
    </message>
    <message>
        <source>國家：</source>
        <translation>Country:</translation>
    </message>
    <message>
        <source>組織：</source>
        <translation>Organization:</translation>
    </message>
    <message>
        <source>單位：</source>
        <translation>Organizational unit:</translation>
    </message>
    <message>
        <source>有效期自：</source>
        <translation>Valid from:</translation>
    </message>
    <message>
        <source>有效期至：</source>
        <translation>Valid until:</translation>
    </message>
    <message>
        <source>主體：</source>
        <translation>Subject:</translation>
    </message>
    <message>
        <source>SHA-256 指紋：</source>
        <translation>SHA-256 fingerprint:</translation>
    </message>
    <message>
        <source>驗證結果：</source>
        <translation>Verification result: </translation>
    </message>
</context>
<context>
    <name>CertificateManagerDlg</name>
    <message>
        <source>憑證管理</source>
        <translation>Certificate Manager</translation>
    </message>
    <message>
        <source>發行者</source>
        <translation>Issuer</translation>
    </message>
    <message>
        <source>主體</source>
        <translation>Subject</translation>
    </message>
    <message>
        <source>有效期限</source>
        <translation>Expires</translation>
    </message>
    <message>
        <source>已安裝憑證</source>
        <translation>Installed certificates</translation>
    </message>
    <message>
        <source>內容(&amp;P)</source>
        <translation>&amp;Properties</translation>
    </message>
    <message>
        <source>匯入(&amp;I)</source>
        <translation>&amp;Import</translation>
    </message>
    <message>
        <source>匯出(&amp;E)</source>
        <translation>&amp;Export</translation>
    </message>
    <message>
        <source>刪除(&amp;R)</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>關閉(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>匯入憑證</source>
        <translation>Import Certificate</translation>
    </message>
    <message>
        <source>

密碼：</source>
        <translation>

Password:</translation>
    </message>
    <message>
        <source>憑證已經存在！</source>
        <translation>The certificate is already installed!</translation>
    </message>
    <message>
        <source>無法寫入 &quot;%1&quot;；憑證只在這次執行中受信任。</source>
        <translation>Could not write &quot;%1&quot;; the certificate is trusted for this session only.</translation>
    </message>
    <message>
        <source>無法寫入 &quot;%1&quot;；下次啟動時憑證仍會出現。</source>
        <translation>Could not write &quot;%1&quot;; the certificate will be back the next time the program starts.</translation>
    </message>
    <message>
        <source>憑證 (*.pem *.pfx *.p12 *.crt *.cer *.der);;所有檔案 (*)</source>
        <translation>Certificates (*.pem *.pfx *.p12 *.crt *.cer *.der);;All files (*)</translation>
    </message>
    <message>
        <source>匯出憑證</source>
        <translation>Export Certificate</translation>
    </message>
    <message>
        <source>憑證 (*.crt);;所有檔案 (*)</source>
        <translation>Certificates (*.crt);;All files (*)</translation>
    </message>
</context>
<context>
    <name>CertificateWizard</name>
    <message>
        <source>SSL憑證產生器</source>
        <translation>SSL Certificate Generator</translation>
    </message>
    <message>
        <source>選擇資料夾位置</source>
        <translation>Choose Folder</translation>
    </message>
    <message>
        <source>憑證名稱(&amp;C)：</source>
        <translation>&amp;Certificate name:</translation>
    </message>
    <message>
        <source>輸出位置(&amp;L)：</source>
        <translation>Output &amp;location:</translation>
    </message>
    <message>
        <source>金鑰大小(位元)：</source>
        <translation>Key size (bits):</translation>
    </message>
    <message>
        <source>有效期限(&amp;E)：</source>
        <translation>&amp;Expires:</translation>
    </message>
    <message>
        <source>密碼(&amp;P)：</source>
        <translation>&amp;Pass phrase:</translation>
    </message>
    <message>
        <source>確認密碼(&amp;F)：</source>
        <translation>Con&amp;firm pass phrase:</translation>
    </message>
    <message>
        <source>這是自我簽署的憑證：沒有憑證授權單位為它擔保，其他電腦上的伺服器可能不信任它，除非伺服器的管理者把它加入信任清單。</source>
        <translation>This is a self-signed certificate: no certificate authority vouches for it, so servers on other computers may not trust it unless their administrators add it to their trusted list.</translation>
    </message>
    <message>
        <source>新憑證</source>
        <translation>New certificate</translation>
    </message>
    <message>
        <source>將產生的憑證設定給 Zentrava Pro 使用。(&amp;S)</source>
        <translation>&amp;Set Zentrava Pro to use the generated certificate</translation>
    </message>
    <message>
        <source>檢視產生之憑證。(&amp;V)</source>
        <translation>&amp;View the generated certificate</translation>
    </message>
    <message>
        <source>城市(&amp;C)：</source>
        <translation>&amp;City:</translation>
    </message>
    <message>
        <source>省(州)(&amp;S)：</source>
        <translation>&amp;State or province:</translation>
    </message>
    <message>
        <source>組織(&amp;O)：</source>
        <translation>&amp;Organization:</translation>
    </message>
    <message>
        <source>通俗名稱(&amp;N)：</source>
        <translation>Common &amp;name:</translation>
    </message>
    <message>
        <source>電子郵件(&amp;E)：</source>
        <translation>&amp;Email:</translation>
    </message>
    <message>
        <source>部門(&amp;U)：</source>
        <translation>Organizational &amp;unit:</translation>
    </message>
    <message>
        <source>國家(&amp;T)：</source>
        <translation>Coun&amp;try:</translation>
    </message>
    <message>
        <source>這是您的憑證</source>
        <translation>This is your certificate</translation>
    </message>
</context>
<context>
    <name>Checksum</name>
    <message>
        <source>計算檢查碼已取消</source>
        <translation>Checksum calculation cancelled</translation>
    </message>
    <message>
        <source>讀取檔案 &quot;%1&quot; 失敗：%2</source>
        <translation>Could not read file &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>無法計算檢查碼：OpenSSL 摘要失敗</source>
        <translation>Could not compute the checksum: the OpenSSL digest failed</translation>
    </message>
    <message>
        <source>無法計算檢查碼：OpenSSL 摘要無法使用</source>
        <translation>Could not compute the checksum: the OpenSSL digest is not available</translation>
    </message>
    <message>
        <source>無法開啟檔案 &quot;%1&quot;：%2</source>
        <translation>Could not open file &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>不支援的檢查碼種類 %1</source>
        <translation>Unsupported checksum type %1</translation>
    </message>
</context>
<context>
    <name>ChildFrame</name>
    <message>
        <source>資料夾</source>
        <translation>Folder</translation>
    </message>
    <message>
        <source>上一層</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>上一頁</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>並排</source>
        <translation>Tiles</translation>
    </message>
    <message>
        <source>圖示</source>
        <translation>Icons</translation>
    </message>
    <message>
        <source>清單</source>
        <translation>List</translation>
    </message>
    <message>
        <source>詳細資料</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>檢視</source>
        <translation>View</translation>
    </message>
</context>
<context>
    <name>ControlChannel</name>
    <message>
        <source>伺服器回應的格式不正確：%1</source>
        <translation>Malformed server reply: %1</translation>
    </message>
    <message>
        <source>命令含有換行或 NUL 字元，未送出</source>
        <translation>The command contains a line break or NUL character and was not sent</translation>
    </message>
    <message>
        <source>伺服器回應過長</source>
        <translation>The server reply is too long</translation>
    </message>
    <message>
        <source>伺服器回應含有 NUL 字元</source>
        <translation>The server reply contains a NUL character</translation>
    </message>
</context>
<context>
    <name>CustomCommandDlg</name>
    <message>
        <source>傳送自訂指令</source>
        <translation>Send Custom Command</translation>
    </message>
    <message>
        <source>傳送(&amp;S)</source>
        <translation>&amp;Send</translation>
    </message>
    <message>
        <source>指令：</source>
        <translation>Command:</translation>
    </message>
</context>
<context>
    <name>DeleteConfirmation</name>
    <message>
        <source>您確定要刪除 %1 這些項目嗎?</source>
        <translation>Are you sure you want to delete these %1 items?</translation>
    </message>
    <message>
        <source>您確定要刪除這個資料夾 &apos;%1&apos; 及所有的內容？</source>
        <translation>Are you sure you want to delete the folder &apos;%1&apos; and all its contents?</translation>
    </message>
    <message>
        <source>您確定要刪除 &apos;%1&apos; ？</source>
        <translation>Are you sure you want to delete &apos;%1&apos;?</translation>
    </message>
</context>
<context>
    <name>DownloadThread</name>
    <message>
        <source>下載完成！</source>
        <translation>Download complete!</translation>
    </message>
    <message>
        <source>找不到目的站台 &apos;%1&apos;</source>
        <translation>Destination site &apos;%1&apos; not found</translation>
    </message>
    <message>
        <source>站台對站台傳遞只支援 FTP 站台與資料通道不加密的 FTPS 站台，來源或目的站台使用 SFTP 或加密的資料通道</source>
        <translation>Site-to-site transfer works only between FTP sites and FTPS sites with an unencrypted data channel; the source or destination site uses SFTP or an encrypted data channel</translation>
    </message>
    <message>
        <source>資料夾層數過深，略過：%1</source>
        <translation>Folder nested too deeply, skipped: %1</translation>
    </message>
    <message>
        <source>略過不安全的遠端名稱：&apos;%1&apos;（%2）</source>
        <translation>Skipped unsafe remote name &apos;%1&apos; (in %2)</translation>
    </message>
    <message>
        <source>略過不安全的遠端名稱：&apos;%1&apos;</source>
        <translation>Skipped unsafe remote name &apos;%1&apos;</translation>
    </message>
    <message>
        <source>複製中 &apos;%1&apos;</source>
        <translation>Copying &apos;%1&apos;</translation>
    </message>
    <message>
        <source>由 &apos;%1&apos; 到 &apos;%2&apos;</source>
        <translation>From &apos;%1&apos; to &apos;%2&apos;</translation>
    </message>
    <message>
        <source>下載中</source>
        <translation>Downloading</translation>
    </message>
    <message>
        <source>檔案完整性檢查失敗！ 伺服器不支援 CRC 功能！</source>
        <translation>File integrity check failed! The server does not support checksums.</translation>
    </message>
    <message>
        <source>檔案完整性檢查失敗！ 本機 CRC 與遠端檔案不符合！</source>
        <translation>File integrity check failed! The local checksum does not match the remote file.</translation>
    </message>
    <message>
        <source>連線中</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>無法連線至 %1： 連線逾時</source>
        <translation>Could not connect to %1: connection timed out</translation>
    </message>
    <message>
        <source>上傳中</source>
        <translation>Uploading</translation>
    </message>
</context>
<context>
    <name>FTPClientDoc</name>
    <message>
        <source>尚未連線</source>
        <translation>Not connected</translation>
    </message>
</context>
<context>
    <name>FTPClientView</name>
    <message>
        <source>排列圖示依(&amp;I)</source>
        <translation>Arrange &amp;Icons By</translation>
    </message>
    <message>
        <source>名稱(&amp;N)</source>
        <translation>&amp;Name</translation>
    </message>
    <message>
        <source>大小(&amp;S)</source>
        <translation>&amp;Size</translation>
    </message>
    <message>
        <source>類型(&amp;T)</source>
        <translation>&amp;Type</translation>
    </message>
    <message>
        <source>日期(&amp;D)</source>
        <translation>&amp;Date</translation>
    </message>
    <message>
        <source>瀏覽(&amp;B)</source>
        <translation>&amp;Browse</translation>
    </message>
    <message>
        <source>下載(&amp;W)</source>
        <translation>Do&amp;wnload</translation>
    </message>
    <message>
        <source>進階下載</source>
        <translation>Advanced Download</translation>
    </message>
    <message>
        <source>下載到(&amp;T)...</source>
        <translation>Download &amp;To...</translation>
    </message>
    <message>
        <source>排程下載(&amp;S)...</source>
        <translation>&amp;Scheduled Download...</translation>
    </message>
    <message>
        <source>過濾下載(&amp;F)</source>
        <translation>&amp;Filtered Download</translation>
    </message>
    <message>
        <source>站台對站台傳遞...</source>
        <translation>Site-to-Site Transfer...</translation>
    </message>
    <message>
        <source>重新命名(&amp;R)</source>
        <translation>&amp;Rename</translation>
    </message>
    <message>
        <source>搬移(&amp;M)...</source>
        <translation>&amp;Move...</translation>
    </message>
    <message>
        <source>刪除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>內容(&amp;P)</source>
        <translation>&amp;Properties</translation>
    </message>
    <message>
        <source>上傳(&amp;U)...</source>
        <translation>&amp;Upload...</translation>
    </message>
    <message>
        <source>進階上傳</source>
        <translation>Advanced Upload</translation>
    </message>
    <message>
        <source>排程上傳(&amp;S)...</source>
        <translation>&amp;Scheduled Upload...</translation>
    </message>
    <message>
        <source>過濾上傳(&amp;F)...</source>
        <translation>&amp;Filtered Upload...</translation>
    </message>
    <message>
        <source>檢視(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>大圖示(&amp;G)</source>
        <translation>Lar&amp;ge Icons</translation>
    </message>
    <message>
        <source>小圖示(&amp;M)</source>
        <translation>S&amp;mall Icons</translation>
    </message>
    <message>
        <source>清單(&amp;L)</source>
        <translation>&amp;List</translation>
    </message>
    <message>
        <source>詳細資料(&amp;D)</source>
        <translation>&amp;Details</translation>
    </message>
</context>
<context>
    <name>FilterListPage</name>
    <message>
        <source>新增(&amp;A)...</source>
        <translation>&amp;Add...</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>「%1」清單</source>
        <translation>The &quot;%1&quot; list</translation>
    </message>
    <message>
        <source>新增過濾項目</source>
        <translation>Add Filter Mask</translation>
    </message>
    <message>
        <source>過濾項目：</source>
        <translation>Filter mask:</translation>
    </message>
</context>
<context>
    <name>FilterMaskPage</name>
    <message>
        <source>篩選條件</source>
        <translation>Include</translation>
    </message>
    <message>
        <source>包含符合以下條件的檔案</source>
        <translation>Include files that match the following masks</translation>
    </message>
</context>
<context>
    <name>FilterNotMaskPage</name>
    <message>
        <source>排除條件</source>
        <translation>Exclude</translation>
    </message>
    <message>
        <source>排除符合以下條件之檔案</source>
        <translation>Exclude files that match the following masks</translation>
    </message>
</context>
<context>
    <name>FilterPropertiesPage</name>
    <message>
        <source>過濾條件設定</source>
        <translation>Filter Settings</translation>
    </message>
    <message>
        <source>啟用過濾條件(&amp;E)</source>
        <translation>&amp;Enable filtering</translation>
    </message>
    <message>
        <source>套用到資料夾名稱(&amp;F)</source>
        <translation>Apply to &amp;folder names</translation>
    </message>
    <message>
        <source>套用到檔案傳送(&amp;F)</source>
        <translation>Apply to file &amp;transfers</translation>
    </message>
    <message>
        <source>區分大小寫(&amp;C)</source>
        <translation>&amp;Case sensitive</translation>
    </message>
    <message>
        <source>啟用伺服器端過濾(&amp;S)</source>
        <translation>Enable &amp;server-side filtering</translation>
    </message>
    <message>
        <source>遠端過濾：</source>
        <translation>Remote filter:</translation>
    </message>
    <message>
        <source>(-L 或 -a ...)</source>
        <translation>(-L or -a ...)</translation>
    </message>
</context>
<context>
    <name>FilterSheet</name>
    <message>
        <source>過濾</source>
        <translation>Filter</translation>
    </message>
</context>
<context>
    <name>FrameCommands</name>
    <message>
        <source>連線(&amp;C)...</source>
        <translation>&amp;Connect...</translation>
    </message>
    <message>
        <source>中斷(&amp;D)</source>
        <translation>&amp;Disconnect</translation>
    </message>
    <message>
        <source>取消(&amp;L)</source>
        <translation>Cance&amp;l</translation>
    </message>
    <message>
        <source>連線精靈(&amp;W)...</source>
        <translation>Connection &amp;Wizard...</translation>
    </message>
    <message>
        <source>結束(&amp;X)</source>
        <translation>E&amp;xit</translation>
    </message>
    <message>
        <source>全選(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>反向選取(&amp;V)</source>
        <translation>In&amp;vert Selection</translation>
    </message>
    <message>
        <source>重新整理(&amp;R)</source>
        <translation>&amp;Refresh</translation>
    </message>
    <message>
        <source>瀏覽(&amp;B)</source>
        <translation>&amp;Browse</translation>
    </message>
    <message>
        <source>下載(&amp;W)</source>
        <translation>Do&amp;wnload</translation>
    </message>
    <message>
        <source>下載到(&amp;T)...</source>
        <translation>Download &amp;To...</translation>
    </message>
    <message>
        <source>上傳(&amp;U)...</source>
        <translation>&amp;Upload...</translation>
    </message>
    <message>
        <source>新增資料夾(&amp;F)</source>
        <translation>New &amp;Folder</translation>
    </message>
    <message>
        <source>重新命名(&amp;R)</source>
        <translation>&amp;Rename</translation>
    </message>
    <message>
        <source>刪除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>搬移(&amp;M)...</source>
        <translation>&amp;Move...</translation>
    </message>
    <message>
        <source>內容(&amp;P)</source>
        <translation>&amp;Properties</translation>
    </message>
    <message>
        <source>前往(&amp;G)...</source>
        <translation>&amp;Go To...</translation>
    </message>
    <message>
        <source>自訂指令(&amp;C)...</source>
        <translation>&amp;Custom Command...</translation>
    </message>
    <message>
        <source>自動偵測(&amp;A)</source>
        <translation>&amp;Automatic</translation>
    </message>
    <message>
        <source>二進位碼(&amp;B)</source>
        <translation>&amp;Binary</translation>
    </message>
    <message>
        <source>前往本機資料夾</source>
        <translation>Go to Local Folder</translation>
    </message>
    <message>
        <source>前往預設下載資料夾</source>
        <translation>Go to Default Download Folder</translation>
    </message>
    <message>
        <source>更新本機資料夾</source>
        <translation>Update Site&apos;s Local Folder</translation>
    </message>
    <message>
        <source>壓縮為 .zip 後上傳(&amp;Z)</source>
        <translation>Pack as .&amp;zip and Upload</translation>
    </message>
    <message>
        <source>上傳前先壓縮
Zip</source>
        <translation>Pack before uploading
Zip</translation>
    </message>
    <message>
        <source>壓縮為 .cab 後上傳(&amp;C)</source>
        <translation>Pack as .&amp;cab and Upload</translation>
    </message>
    <message>
        <source>上傳前先壓縮
CAB</source>
        <translation>Pack before uploading
CAB</translation>
    </message>
    <message>
        <source>壓縮為 .gzip/tar 後上傳(&amp;T)</source>
        <translation>Pack as .gzip/&amp;tar and Upload</translation>
    </message>
    <message>
        <source>上傳前先壓縮</source>
        <translation>Pack before uploading</translation>
    </message>
    <message>
        <source>解壓縮(&amp;D)</source>
        <translation>&amp;Unpack</translation>
    </message>
    <message>
        <source>解壓縮檔案</source>
        <translation>Unpack the archive</translation>
    </message>
    <message>
        <source>大圖示(&amp;G)</source>
        <translation>Lar&amp;ge Icons</translation>
    </message>
    <message>
        <source>小圖示(&amp;M)</source>
        <translation>Small &amp;Icons</translation>
    </message>
    <message>
        <source>清單(&amp;L)</source>
        <translation>&amp;List</translation>
    </message>
    <message>
        <source>詳細資料(&amp;D)</source>
        <translation>&amp;Details</translation>
    </message>
    <message>
        <source>工具列(&amp;T)</source>
        <translation>&amp;Toolbar</translation>
    </message>
    <message>
        <source>狀態列(&amp;S)</source>
        <translation>&amp;Status Bar</translation>
    </message>
    <message>
        <source>站台管理(&amp;M)</source>
        <translation>Site &amp;Manager</translation>
    </message>
    <message>
        <source>傳送進度管理(&amp;F)</source>
        <translation>Trans&amp;fer Manager</translation>
    </message>
    <message>
        <source>快速連線(&amp;Q)</source>
        <translation>&amp;Quick Connect</translation>
    </message>
    <message>
        <source>記錄視窗(&amp;O)</source>
        <translation>L&amp;og</translation>
    </message>
    <message>
        <source>我的電腦(&amp;L)</source>
        <translation>Local &amp;Computer</translation>
    </message>
    <message>
        <source>檢視</source>
        <translation>View</translation>
    </message>
    <message>
        <source>加到我的最愛(&amp;A)...</source>
        <translation>&amp;Add to Favorites...</translation>
    </message>
    <message>
        <source>管理我的最愛(&amp;O)...</source>
        <translation>&amp;Organize Favorites...</translation>
    </message>
    <message>
        <source>選項(&amp;O)...</source>
        <translation>&amp;Options...</translation>
    </message>
    <message>
        <source>過濾條件(&amp;K)...</source>
        <translation>&amp;Filter...</translation>
    </message>
    <message>
        <source>顯示過濾對話視窗</source>
        <translation>Show the filter dialog</translation>
    </message>
    <message>
        <source>重疊顯示(&amp;C)</source>
        <translation>&amp;Cascade</translation>
    </message>
    <message>
        <source>並排顯示(&amp;T)</source>
        <translation>&amp;Tile</translation>
    </message>
    <message>
        <source>操作手冊(&amp;H)</source>
        <translation>User &amp;Manual</translation>
    </message>
    <message>
        <source>關於 Zentrava Pro (&amp;A)...</source>
        <translation>&amp;About Zentrava Pro...</translation>
    </message>
    <message>
        <source>檔案(&amp;F)</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>最近開啟的站台(&amp;R)</source>
        <translation>&amp;Recent Sites</translation>
    </message>
    <message>
        <source>編輯(&amp;E)</source>
        <translation>&amp;Edit</translation>
    </message>
    <message>
        <source>檢視(&amp;V)</source>
        <translation>&amp;View</translation>
    </message>
    <message>
        <source>指令(&amp;C)</source>
        <translation>&amp;Commands</translation>
    </message>
    <message>
        <source>傳送模式(&amp;T)</source>
        <translation>Transfer M&amp;ode</translation>
    </message>
    <message>
        <source>壓縮(&amp;O)</source>
        <translation>&amp;Pack</translation>
    </message>
    <message>
        <source>我的最愛(&amp;A)</source>
        <translation>F&amp;avorites</translation>
    </message>
    <message>
        <source>工具(&amp;T)</source>
        <translation>&amp;Tools</translation>
    </message>
    <message>
        <source>視窗(&amp;W)</source>
        <translation>&amp;Window</translation>
    </message>
    <message>
        <source>說明(&amp;H)</source>
        <translation>&amp;Help</translation>
    </message>
</context>
<context>
    <name>FtpClient</name>
    <message>
        <source>伺服器不再接受這個 TLS 工作階段，重新登入以取得新的工作階段</source>
        <translation>The server no longer accepts this TLS session; logging in again to get a new one</translation>
    </message>
    <message>
        <source>無法切換目錄</source>
        <translation>Could not change directory</translation>
    </message>
    <message>
        <source>無法連線到 </source>
        <translation>Could not connect to </translation>
    </message>
    <message>
        <source>（經由 proxy </source>
        <translation> (via proxy </translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>伺服器拒絕連線</source>
        <translation>The server refused the connection</translation>
    </message>
    <message>
        <source>無法啟用 TLS</source>
        <translation>Could not enable TLS</translation>
    </message>
    <message>
        <source>伺服器不接受 AUTH TLS</source>
        <translation>The server does not accept AUTH TLS</translation>
    </message>
    <message>
        <source>AUTH TLS 回應之後多出未加密的資料，連線已中止</source>
        <translation>Unencrypted data followed the AUTH TLS reply; connection aborted</translation>
    </message>
    <message>
        <source>TLS 交握失敗</source>
        <translation>TLS handshake failed</translation>
    </message>
    <message>
        <source>伺服器憑證未被接受，連線已中止</source>
        <translation>The server certificate was not accepted; connection aborted</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>無法設定資料通道保護</source>
        <translation>Could not set data channel protection</translation>
    </message>
    <message>
        <source>登入失敗</source>
        <translation>Login failed</translation>
    </message>
    <message>
        <source>FTP proxy 無法連到伺服器</source>
        <translation>The FTP proxy could not reach the server</translation>
    </message>
    <message>
        <source>FTP proxy 登入失敗</source>
        <translation>FTP proxy login failed</translation>
    </message>
    <message>
        <source>無法關閉命令通道加密</source>
        <translation>Could not turn off command channel encryption</translation>
    </message>
    <message>
        <source>伺服器不接受 CCC，命令通道維持加密</source>
        <translation>The server does not accept CCC; the command channel stays encrypted</translation>
    </message>
    <message>
        <source>無法讀取伺服器功能</source>
        <translation>Could not read the server features</translation>
    </message>
    <message>
        <source>無法啟用 UTF-8</source>
        <translation>Could not enable UTF-8</translation>
    </message>
    <message>
        <source>QUIT 失敗</source>
        <translation>QUIT failed</translation>
    </message>
    <message>
        <source>無法取得目前目錄</source>
        <translation>Could not get the current directory</translation>
    </message>
    <message>
        <source>無法切換到上層目錄</source>
        <translation>Could not change to the parent directory</translation>
    </message>
    <message>
        <source>無法列出目錄</source>
        <translation>Could not list the directory</translation>
    </message>
    <message>
        <source>下載失敗</source>
        <translation>Download failed</translation>
    </message>
    <message>
        <source>%1 在傳送時變大：宣告 %2 位元組，收到 %3 位元組</source>
        <translation>%1 grew during the transfer: %2 bytes announced, %3 bytes received</translation>
    </message>
    <message>
        <source>上傳失敗</source>
        <translation>Upload failed</translation>
    </message>
    <message>
        <source>無法讀取本機檔案 </source>
        <translation>Could not read local file </translation>
    </message>
    <message>
        <source>：遠端檔案比本機檔案大，無法續傳</source>
        <translation>: the remote file is larger than the local file; cannot resume</translation>
    </message>
    <message>
        <source>無法讀取本機檔案：</source>
        <translation>Could not read local file: </translation>
    </message>
    <message>
        <source>伺服器不接受 REST 後上傳，改用 APPE</source>
        <translation>The server does not accept REST before an upload; using APPE instead</translation>
    </message>
    <message>
        <source>無法刪除檔案</source>
        <translation>Could not delete file</translation>
    </message>
    <message>
        <source>無法刪除目錄</source>
        <translation>Could not delete directory</translation>
    </message>
    <message>
        <source>無法建立目錄</source>
        <translation>Could not create directory</translation>
    </message>
    <message>
        <source>無法重新命名</source>
        <translation>Could not rename</translation>
    </message>
    <message>
        <source>無法取得檔案大小</source>
        <translation>Could not get the file size</translation>
    </message>
    <message>
        <source>無法取得檔案時間</source>
        <translation>Could not get the file time</translation>
    </message>
    <message>
        <source>無法設定檔案時間</source>
        <translation>Could not set the file time</translation>
    </message>
    <message>
        <source>無法取得遠端檢查碼</source>
        <translation>Could not get the remote checksum</translation>
    </message>
    <message>
        <source>SITE 命令失敗</source>
        <translation>SITE command failed</translation>
    </message>
    <message>
        <source>命令失敗</source>
        <translation>Command failed</translation>
    </message>
    <message>
        <source>NOOP 失敗</source>
        <translation>NOOP failed</translation>
    </message>
    <message>
        <source>：尚未連線</source>
        <translation>: not connected</translation>
    </message>
    <message>
        <source>：名稱含有換行或 NUL 字元</source>
        <translation>: the name contains a line break or NUL character</translation>
    </message>
    <message>
        <source>無法設定傳輸模式</source>
        <translation>Could not set the transfer mode</translation>
    </message>
</context>
<context>
    <name>FtpComponent</name>
    <message>
        <source>：作業已取消</source>
        <translation>: operation cancelled</translation>
    </message>
    <message>
        <source>連線</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>列出目錄</source>
        <translation>Listing directory</translation>
    </message>
    <message>
        <source>傳送檔案</source>
        <translation>Transferring file</translation>
    </message>
</context>
<context>
    <name>FtpDataChannel</name>
    <message>
        <source>無法建立資料連線</source>
        <translation>Could not open the data connection</translation>
    </message>
    <message>
        <source>無法解讀 EPSV 回應：</source>
        <translation>Could not parse the EPSV reply: </translation>
    </message>
    <message>
        <source>伺服器不支援 EPSV，改用 PASV</source>
        <translation>The server does not support EPSV; using PASV instead</translation>
    </message>
    <message>
        <source>無法解讀被動模式回應：</source>
        <translation>Could not parse the passive mode reply: </translation>
    </message>
    <message>
        <source>被動模式位址 %1 無法從這裡連線，改用 %2</source>
        <translation>Passive mode address %1 cannot be reached from here; using %2 instead</translation>
    </message>
    <message>
        <source>：透過 SOCKS 或 HTTP proxy 只能使用被動模式</source>
        <translation>: only passive mode can be used through a SOCKS or HTTP proxy</translation>
    </message>
    <message>
        <source>伺服器不支援 EPRT，改用 PORT</source>
        <translation>The server does not support EPRT; using PORT instead</translation>
    </message>
    <message>
        <source>資料連線來自非預期的位址 </source>
        <translation>Data connection came from an unexpected address </translation>
    </message>
    <message>
        <source>資料連線的 TLS 交握失敗</source>
        <translation>TLS handshake failed on the data connection</translation>
    </message>
</context>
<context>
    <name>FtpResult</name>
    <message>
        <source>伺服器已關閉連線</source>
        <translation>The server closed the connection</translation>
    </message>
    <message>
        <source>連線逾時</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <source>作業已取消</source>
        <translation>Operation cancelled</translation>
    </message>
    <message>
        <source>未知的錯誤</source>
        <translation>Unknown error</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>：%1 只收到 %2 位元組，伺服器宣告的大小是 %3 位元組</source>
        <translation>: received only %2 bytes of %1; the server announced %3 bytes</translation>
    </message>
</context>
<context>
    <name>FtpSession</name>
    <message>
        <source>請輸入有效的FTP位址</source>
        <translation>Please enter a valid FTP address</translation>
    </message>
    <message>
        <source>檢查&#x3000;URL&#x3000;位址...</source>
        <translation>Checking the URL...</translation>
    </message>
    <message>
        <source>請輸入有效的 FTP URL</source>
        <translation>Please enter a valid FTP URL</translation>
    </message>
    <message>
        <source>URL 解析完成</source>
        <translation>URL parsed</translation>
    </message>
    <message>
        <source>請輸入有效 FTP URL</source>
        <translation>Please enter a valid FTP URL</translation>
    </message>
    <message>
        <source>連線到： %1 (Attempt %2 of %3)</source>
        <translation>Connecting to %1 (attempt %2 of %3)</translation>
    </message>
    <message>
        <source>根目錄為 &apos;%1&apos;</source>
        <translation>Root directory is &apos;%1&apos;</translation>
    </message>
    <message>
        <source>無法連線至 %1： 連線逾時</source>
        <translation>Could not connect to %1: connection timed out</translation>
    </message>
    <message>
        <source>設定初始目錄為： &apos;%1&apos;</source>
        <translation>Setting initial directory to &apos;%1&apos;</translation>
    </message>
    <message>
        <source>目前的目錄為： &apos;%1&apos;</source>
        <translation>Current directory is &apos;%1&apos;</translation>
    </message>
    <message>
        <source>無法建立&#x3000;FTP 連線</source>
        <translation>Could not establish the FTP connection</translation>
    </message>
    <message>
        <source>檢查 URL...</source>
        <translation>Checking the URL...</translation>
    </message>
    <message>
        <source>請輸入有效的 FTP URL.</source>
        <translation>Please enter a valid FTP URL.</translation>
    </message>
    <message>
        <source>完成 URL 解析</source>
        <translation>URL parsed</translation>
    </message>
    <message>
        <source>請輸入有效的&#x3000;FTP URL.</source>
        <translation>Please enter a valid FTP URL.</translation>
    </message>
    <message>
        <source>連線到：: %1 (第 %2 / %3 次嘗試)</source>
        <translation>Connecting to %1 (attempt %2 of %3)</translation>
    </message>
    <message>
        <source>無法建立 FTP 連線！</source>
        <translation>Could not establish the FTP connection!</translation>
    </message>
    <message>
        <source>關閉 FTP 連線...</source>
        <translation>Closing the FTP connection...</translation>
    </message>
    <message>
        <source>尚未連線</source>
        <translation>Not connected</translation>
    </message>
    <message>
        <source>變更資料夾%1</source>
        <translation>Changing folder to %1</translation>
    </message>
    <message>
        <source>開啟資料夾： %1&#x3000;發生錯誤</source>
        <translation>Error opening folder %1</translation>
    </message>
    <message>
        <source>刪除檔案 %1</source>
        <translation>Deleting file %1</translation>
    </message>
    <message>
        <source>%1 已刪除</source>
        <translation>%1 deleted</translation>
    </message>
    <message>
        <source>刪除檔案： %1&#x3000;發生連線逾時</source>
        <translation>Connection timed out while deleting file %1</translation>
    </message>
    <message>
        <source>刪除檔案： %1&#x3000;發生錯誤</source>
        <translation>Error deleting file %1</translation>
    </message>
    <message>
        <source>%1 已刪除！</source>
        <translation>%1 deleted!</translation>
    </message>
    <message>
        <source>刪除資料夾： %1&#x3000;發生連線逾時</source>
        <translation>Connection timed out while deleting folder %1</translation>
    </message>
    <message>
        <source>刪除資料夾： %1&#x3000;發生錯誤</source>
        <translation>Error deleting folder %1</translation>
    </message>
    <message>
        <source>重新命名 %1 為 %2</source>
        <translation>Renaming %1 to %2</translation>
    </message>
    <message>
        <source>%1 重新命名完成</source>
        <translation>%1 renamed</translation>
    </message>
    <message>
        <source>重新命名 %1&#x3000;發生連線逾時！</source>
        <translation>Connection timed out while renaming %1!</translation>
    </message>
    <message>
        <source>重新命名: %1&#x3000;發生錯誤</source>
        <translation>Error renaming %1</translation>
    </message>
    <message>
        <source>搬移 %1 至 %2</source>
        <translation>Moving %1 to %2</translation>
    </message>
    <message>
        <source>%1 已搬移</source>
        <translation>%1 moved</translation>
    </message>
    <message>
        <source>搬移 %1&#x3000;發生連線逾時</source>
        <translation>Connection timed out while moving %1</translation>
    </message>
    <message>
        <source>搬移 %1&#x3000;發生錯誤！</source>
        <translation>Error moving %1!</translation>
    </message>
    <message>
        <source>&#x3000;新增資料夾 %1</source>
        <translation> Creating folder %1</translation>
    </message>
    <message>
        <source>%1 資料夾已建立</source>
        <translation>Folder %1 created</translation>
    </message>
    <message>
        <source>新增資料夾 %1&#x3000;發生連線逾時</source>
        <translation>Connection timed out while creating folder %1</translation>
    </message>
    <message>
        <source>新增資料夾 %1&#x3000;發生錯誤</source>
        <translation>Error creating folder %1</translation>
    </message>
    <message>
        <source>傳送自訂指令： %1...</source>
        <translation>Sending custom command: %1...</translation>
    </message>
    <message>
        <source>收不到任何回應！</source>
        <translation>No reply received!</translation>
    </message>
    <message>
        <source>FTP伺服器回應： </source>
        <translation>FTP server reply: </translation>
    </message>
    <message>
        <source>傳送 %1...</source>
        <translation>Sending %1...</translation>
    </message>
    <message>
        <source>接收目錄清單 %1...</source>
        <translation>Receiving directory listing for %1...</translation>
    </message>
    <message>
        <source>%1 目錄清單已接收完成</source>
        <translation>Directory listing for %1 received</translation>
    </message>
    <message>
        <source>PASV 模式連線失敗 -&gt; 切換到 PORT 模式</source>
        <translation>PASV connection failed -&gt; switching to PORT mode</translation>
    </message>
    <message>
        <source>Data 連線逾時</source>
        <translation>Data connection timed out</translation>
    </message>
    <message>
        <source>成功連線至： %1.</source>
        <translation>Connected to %1.</translation>
    </message>
    <message>
        <source>FTP 連線關閉</source>
        <translation>FTP connection closed</translation>
    </message>
    <message>
        <source>遠端伺服器提供憑證</source>
        <translation>The remote server presented a certificate</translation>
    </message>
    <message>
        <source>遠端伺服器提供公開金鑰辨識</source>
        <translation>The remote server presented its public key for identification</translation>
    </message>
</context>
<context>
    <name>FtpTransfer</name>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>無法寫入本機檔案</source>
        <translation>Could not write local file</translation>
    </message>
    <message>
        <source>無法讀取本機檔案</source>
        <translation>Could not read local file</translation>
    </message>
</context>
<context>
    <name>FtpTransferWorker</name>
    <message>
        <source>初始化</source>
        <translation>Initializing</translation>
    </message>
    <message>
        <source>傳送失敗</source>
        <translation>Transfer failed</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>無法建立進度視窗，傳送照常進行</source>
        <translation>Could not create the progress window; the transfer continues anyway</translation>
    </message>
    <message>
        <source>中斷 %1 的連線</source>
        <translation>Disconnecting from %1</translation>
    </message>
    <message>
        <source>完成</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>連線中</source>
        <translation>Connecting</translation>
    </message>
    <message>
        <source>連線到 %1 (第 %2 / %3 次)</source>
        <translation>Connecting to %1 (attempt %2 of %3)</translation>
    </message>
    <message>
        <source>無法連線至 %1： 連線逾時</source>
        <translation>Could not connect to %1: connection timed out</translation>
    </message>
    <message>
        <source>無法連線至 %1  (第 %2 / %3 次)</source>
        <translation>Could not connect to %1 (attempt %2 of %3)</translation>
    </message>
    <message>
        <source> %1 秒後重試...</source>
        <translation> Retrying in %1 seconds...</translation>
    </message>
    <message>
        <source>重試中</source>
        <translation>Retrying</translation>
    </message>
    <message>
        <source>正在尋找子資料夾中的檔案...</source>
        <translation>Looking for files in subfolders...</translation>
    </message>
    <message>
        <source>%1 的傳送中斷（%2），%3 秒後續傳</source>
        <translation>Transfer of %1 interrupted (%2); resuming in %3 seconds</translation>
    </message>
    <message>
        <source>略過完整性檢查（ASCII 模式）：%1</source>
        <translation>Integrity check skipped (ASCII mode): %1</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>%1 個檔案傳送失敗：</source>
        <translation>%1 file(s) failed to transfer:</translation>
    </message>
    <message>
        <source>另有 %1 個檔案失敗</source>
        <translation>%1 more file(s) failed</translation>
    </message>
    <message>
        <source>上傳 %1 個項目：%2 → %3</source>
        <translation>Upload %1 item(s): %2 → %3</translation>
    </message>
    <message>
        <source>下載 %1 個項目：%2 → %3</source>
        <translation>Download %1 item(s): %2 → %3</translation>
    </message>
</context>
<context>
    <name>GoToDlg</name>
    <message>
        <source>前往</source>
        <translation>Go to Folder</translation>
    </message>
    <message>
        <source>輸入您想要開啟的資料夾路徑</source>
        <translation>Enter the path of the folder you want to open</translation>
    </message>
</context>
<context>
    <name>HostKeyDlg</name>
    <message>
        <source>是否接受主機金鑰？</source>
        <translation>Accept Host Key?</translation>
    </message>
    <message>
        <source>這台主機的公開金鑰尚未記錄。請確認金鑰指紋無誤後再接受，接受後會記錄此金鑰。</source>
        <translation>This host&apos;s public key has not been recorded yet. Check that the key fingerprint is correct before accepting; once accepted, the key is recorded.</translation>
    </message>
    <message>
        <source>主機：</source>
        <translation>Host:</translation>
    </message>
    <message>
        <source>金鑰類型：</source>
        <translation>Key type:</translation>
    </message>
    <message>
        <source>SHA-256 指紋：</source>
        <translation>SHA-256 fingerprint:</translation>
    </message>
</context>
<context>
    <name>IdentityFileWizard</name>
    <message>
        <source>PKI 金鑰產生器</source>
        <translation>PKI Key Generator</translation>
    </message>
    <message>
        <source>這個精靈會產生一組公開/私密金鑰，供 SSH2 (SFTP) 以公開金鑰登入。私密金鑰留在這部電腦上；公開金鑰要加入伺服器上的 ~/.ssh/authorized_keys。</source>
        <translation>This wizard creates a public/private key pair for public key login over SSH2 (SFTP). The private key stays on this computer; the public key must be added to ~/.ssh/authorized_keys on the server.</translation>
    </message>
    <message>
        <source>注意：OpenSSH 7.0 起的伺服器預設拒絕 DSA 金鑰，除非伺服器只接受 DSA，請選擇 Ed25519 或 RSA。</source>
        <translation>Note: servers running OpenSSH 7.0 or later reject DSA keys by default. Unless the server accepts only DSA, choose Ed25519 or RSA.</translation>
    </message>
    <message>
        <source>金鑰類型(&amp;K)：</source>
        <translation>&amp;Key type:</translation>
    </message>
    <message>
        <source>PKI金鑰產生器</source>
        <translation>PKI Key Generator</translation>
    </message>
    <message>
        <source>密碼(&amp;P)：</source>
        <translation>&amp;Pass phrase:</translation>
    </message>
    <message>
        <source>確認密碼(&amp;C)：</source>
        <translation>&amp;Confirm pass phrase:</translation>
    </message>
    <message>
        <source>公開金鑰位置：</source>
        <translation>Public key location:</translation>
    </message>
    <message>
        <source>選擇公開金鑰</source>
        <translation>Save Public Key As</translation>
    </message>
    <message>
        <source>公開金鑰 (*.pub);;所有檔案 (*)</source>
        <translation>Public keys (*.pub);;All files (*)</translation>
    </message>
    <message>
        <source>私密金鑰位置：</source>
        <translation>Private key location:</translation>
    </message>
    <message>
        <source>選擇私密金鑰</source>
        <translation>Save Private Key As</translation>
    </message>
    <message>
        <source>私密金鑰 (*.key);;所有檔案 (*)</source>
        <translation>Private keys (*.key);;All files (*)</translation>
    </message>
    <message>
        <source>金鑰位元數：</source>
        <translation>Key size (bits):</translation>
    </message>
    <message>
        <source>將這組金鑰設定給 Zentrava Pro 使用</source>
        <translation>Use this key pair in Zentrava Pro</translation>
    </message>
    <message>
        <source>公開/私密金鑰產生器</source>
        <translation>Public/Private Key Generator</translation>
    </message>
    <message>
        <source>請輸入公開金鑰與私密金鑰的位置。</source>
        <translation>Enter the locations of the public and private keys.</translation>
    </message>
</context>
<context>
    <name>IdentityFiles</name>
    <message>
        <source>無法建立資料夾 &quot;%1&quot;</source>
        <translation>Could not create folder &quot;%1&quot;</translation>
    </message>
    <message>
        <source>無法寫入公開金鑰 &quot;%1&quot;：%2</source>
        <translation>Could not write public key &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>請輸入憑證名稱</source>
        <translation>Enter a certificate name</translation>
    </message>
    <message>
        <source>憑證名稱「%1」不能當作檔案名稱</source>
        <translation>The certificate name &quot;%1&quot; cannot be used as a file name</translation>
    </message>
    <message>
        <source>無法取得公開金鑰</source>
        <translation>Could not get the public key</translation>
    </message>
    <message>
        <source>新憑證</source>
        <translation>New certificate</translation>
    </message>
</context>
<context>
    <name>KeepAlive</name>
    <message>
        <source>傳送 </source>
        <translation>Sending </translation>
    </message>
    <message>
        <source>收不到任何回應！</source>
        <translation>No response received!</translation>
    </message>
    <message>
        <source>FTP伺服器回應: </source>
        <translation>FTP server reply: </translation>
    </message>
</context>
<context>
    <name>KeyCertificate</name>
    <message>
        <source>格式無法辨識</source>
        <translation>Unrecognized format</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>檔案過大</source>
        <translation>File too large</translation>
    </message>
    <message>
        <source>無法載入私密金鑰 &quot;%1&quot;</source>
        <translation>Could not load private key &quot;%1&quot;</translation>
    </message>
    <message>
        <source>OpenSSH 私密金鑰的格式無法辨識</source>
        <translation>Unrecognized OpenSSH private key format</translation>
    </message>
    <message>
        <source>私密金鑰受密碼保護，請提供密碼</source>
        <translation>The private key is protected by a pass phrase; please enter it</translation>
    </message>
    <message>
        <source>私密金鑰的密碼錯誤</source>
        <translation>Wrong pass phrase for the private key</translation>
    </message>
    <message>
        <source>檔案不是可辨識的私密金鑰（%1）</source>
        <translation>The file is not a recognized private key (%1)</translation>
    </message>
    <message>
        <source>無法載入憑證 &quot;%1&quot;</source>
        <translation>Could not load certificate &quot;%1&quot;</translation>
    </message>
    <message>
        <source>文字不是可辨識的憑證（%1）</source>
        <translation>The text is not a recognized certificate (%1)</translation>
    </message>
    <message>
        <source>檔案不是可辨識的憑證</source>
        <translation>The file is not a recognized certificate</translation>
    </message>
    <message>
        <source>憑證檔案受密碼保護，請提供密碼</source>
        <translation>The certificate file is protected by a password; please enter it</translation>
    </message>
    <message>
        <source>憑證檔案的密碼錯誤</source>
        <translation>Wrong password for the certificate file</translation>
    </message>
    <message>
        <source>無法產生金鑰</source>
        <translation>Could not generate the key</translation>
    </message>
    <message>
        <source>無法寫入私密金鑰 &quot;%1&quot;</source>
        <translation>Could not write private key &quot;%1&quot;</translation>
    </message>
    <message>
        <source>沒有可寫出的私密金鑰</source>
        <translation>No private key to write</translation>
    </message>
    <message>
        <source>libssh 無法寫出此金鑰</source>
        <translation>libssh could not write this key</translation>
    </message>
    <message>
        <source>無法寫入憑證 &quot;%1&quot;</source>
        <translation>Could not write certificate &quot;%1&quot;</translation>
    </message>
    <message>
        <source>沒有憑證</source>
        <translation>No certificate</translation>
    </message>
</context>
<context>
    <name>KeyGenerator</name>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>國家</source>
        <translation>Country</translation>
    </message>
    <message>
        <source>省(州)</source>
        <translation>State or province</translation>
    </message>
    <message>
        <source>城市</source>
        <translation>City</translation>
    </message>
    <message>
        <source>組織</source>
        <translation>Organization</translation>
    </message>
    <message>
        <source>部門</source>
        <translation>Organizational unit</translation>
    </message>
    <message>
        <source>通俗名稱</source>
        <translation>Common name</translation>
    </message>
    <message>
        <source>電子郵件</source>
        <translation>Email</translation>
    </message>
    <message>
        <source>%1「%2」不被接受%3</source>
        <translation>%1 &quot;%2&quot; was not accepted%3</translation>
    </message>
    <message>
        <source>無法產生 %1 位元的 %2 金鑰</source>
        <translation>Could not generate a %1-bit %2 key</translation>
    </message>
    <message>
        <source>位元數須在 1 到 %1 之間</source>
        <translation>The number of bits must be between 1 and %1</translation>
    </message>
    <message>
        <source>OpenSSL 不接受這個組合</source>
        <translation>OpenSSL does not accept this combination</translation>
    </message>
    <message>
        <source>OpenSSL 只能產生 %1 位元的金鑰</source>
        <translation>OpenSSL can only generate %1-bit keys</translation>
    </message>
    <message>
        <source>無法建立自我簽署憑證</source>
        <translation>Could not create a self-signed certificate</translation>
    </message>
    <message>
        <source>沒有私密金鑰</source>
        <translation>No private key</translation>
    </message>
    <message>
        <source>有效期限必須晚於生效時間</source>
        <translation>The expiry date must be later than the start date</translation>
    </message>
    <message>
        <source>OpenSSL 無法簽署</source>
        <translation>OpenSSL could not sign</translation>
    </message>
</context>
<context>
    <name>KeyringStore</name>
    <message>
        <source>金鑰圈沒有回應</source>
        <translation>the keyring does not answer</translation>
    </message>
</context>
<context>
    <name>KeyringSwitch</name>
    <message>
        <source>站台的密碼</source>
        <translation>the site passwords</translation>
    </message>
    <message>
        <source>代理伺服器的密碼</source>
        <translation>the proxy password</translation>
    </message>
    <message>
        <source>%1 私密金鑰的密碼</source>
        <translation>the pass phrase of the %1 private key</translation>
    </message>
    <message>
        <source>無法移動%1（%2），所有密碼都留在原處。</source>
        <translation>Could not move %1 (%2); every password stays where it was.</translation>
    </message>
    <message>
        <source>金鑰圈或檔案無法寫入</source>
        <translation>the keyring or the file cannot be written</translation>
    </message>
    <message>
        <source>沒有可用的桌面金鑰圈，密碼仍存放在檔案中。</source>
        <translation>No desktop keyring is available; the passwords stay in the files.</translation>
    </message>
    <message>
        <source>密碼</source>
        <translation>the passwords</translation>
    </message>
    <message>
        <source>檔案無法寫入</source>
        <translation>the file cannot be written</translation>
    </message>
</context>
<context>
    <name>KnownHosts</name>
    <message>
        <source>無法讀取已知主機金鑰檔案 &quot;%1&quot;：%2</source>
        <translation>Could not read the known host keys file &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>沒有這把主機金鑰</source>
        <translation>No such host key</translation>
    </message>
    <message>
        <source>無法寫入已知主機金鑰檔案 &quot;%1&quot;：%2</source>
        <translation>Could not write the known host keys file &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>KnownHostsDlg</name>
    <message>
        <source>信任的主機金鑰</source>
        <translation>Trusted Host Keys</translation>
    </message>
    <message>
        <source>主機</source>
        <translation>Host</translation>
    </message>
    <message>
        <source>金鑰類型</source>
        <translation>Key Type</translation>
    </message>
    <message>
        <source>SHA-256 指紋</source>
        <translation>SHA-256 Fingerprint</translation>
    </message>
    <message>
        <source>從 ~/.ssh/known_hosts 匯入(&amp;I)</source>
        <translation>&amp;Import from ~/.ssh/known_hosts</translation>
    </message>
    <message>
        <source>刪除(&amp;R)</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>關閉(&amp;C)</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>找不到 &quot;%1&quot;。</source>
        <translation>Could not find &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>已從 &quot;%1&quot; 匯入 %2 把主機金鑰。</source>
        <translation>Host keys imported from &quot;%1&quot;: %2.</translation>
    </message>
    <message>
        <source>（已雜湊的主機名稱）</source>
        <translation>(hashed host name)</translation>
    </message>
    <message>
        <source>（%1）</source>
        <translation> (%1)</translation>
    </message>
</context>
<context>
    <name>LocalBrowserBar</name>
    <message>
        <source>新資料夾</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>縮圖</source>
        <translation>Thumbnails</translation>
    </message>
    <message>
        <source>並排</source>
        <translation>Tiles</translation>
    </message>
    <message>
        <source>圖示</source>
        <translation>Icons</translation>
    </message>
    <message>
        <source>清單</source>
        <translation>List</translation>
    </message>
    <message>
        <source>詳細資料</source>
        <translation>Details</translation>
    </message>
    <message>
        <source>無法將「%1」重新命名為「%2」。</source>
        <translation>Could not rename &quot;%1&quot; to &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>上一頁</source>
        <translation>Back</translation>
    </message>
    <message>
        <source>上一層</source>
        <translation>Up</translation>
    </message>
    <message>
        <source>新增資料夾</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>檢視功能表</source>
        <translation>View menu</translation>
    </message>
    <message>
        <source>顯示桌面的檔案、資料夾、捷徑或其他項目</source>
        <translation>Show the files, folders, shortcuts and other items on the desktop</translation>
    </message>
    <message>
        <source>顯示最近開啟的檔案或資料夾</source>
        <translation>Show recently opened files and folders</translation>
    </message>
    <message>
        <source>包含信件、報表、或其他文件與檔案</source>
        <translation>Contains letters, reports and other documents and files</translation>
    </message>
    <message>
        <source>顯示連接到這台電腦的磁碟機和硬體</source>
        <translation>Show the drives and hardware connected to this computer</translation>
    </message>
    <message>
        <source>顯示網站、網路芳鄰、FTP站台的捷徑</source>
        <translation>Show shortcuts to websites, network places and FTP sites</translation>
    </message>
    <message>
        <source>桌面</source>
        <translation>Desktop</translation>
    </message>
    <message>
        <source>個人資料夾</source>
        <translation>Home Folder</translation>
    </message>
    <message>
        <source>文件</source>
        <translation>Documents</translation>
    </message>
    <message>
        <source>網路</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>（沒有最近開啟的項目）</source>
        <translation>(No recent items)</translation>
    </message>
    <message>
        <source>（沒有磁碟機）</source>
        <translation>(No drives)</translation>
    </message>
    <message>
        <source>無法建立資料夾「%1」。</source>
        <translation>Could not create folder &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>「%1」</source>
        <translation>&quot;%1&quot;</translation>
    </message>
    <message>
        <source> %1 個項目</source>
        <translation>these %1 items</translation>
    </message>
    <message>
        <source>確定要永久刪除%1嗎？</source>
        <translation>Are you sure you want to permanently delete %1?</translation>
    </message>
    <message>
        <source>確定要將%1移到垃圾桶嗎？</source>
        <translation>Are you sure you want to move %1 to the trash?</translation>
    </message>
    <message>
        <source>無法刪除下列項目：
%1</source>
        <translation>Could not delete the following items:
%1</translation>
    </message>
    <message>
        <source>無法將下列項目移到垃圾桶：
%1</source>
        <translation>Could not move the following items to the trash:
%1</translation>
    </message>
    <message>
        <source>前往本機資料夾</source>
        <translation>Go to Local Folder</translation>
    </message>
    <message>
        <source>前往預設下載資料夾</source>
        <translation>Go to Default Download Folder</translation>
    </message>
    <message>
        <source>更新本機資料夾</source>
        <translation>Refresh Local Folder</translation>
    </message>
    <message>
        <source>開啟</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>重新命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>刪除</source>
        <translation>Delete</translation>
    </message>
</context>
<context>
    <name>LocalFolderModel</name>
    <message>
        <source>名稱</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>類型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>修改日期</source>
        <translation>Date Modified</translation>
    </message>
</context>
<context>
    <name>LogonDlg</name>
    <message>
        <source>匿名存取(&amp;A)</source>
        <translation>&amp;Anonymous login</translation>
    </message>
    <message>
        <source>儲存密碼(&amp;S)</source>
        <translation>&amp;Save password</translation>
    </message>
    <message>
        <source>登入身分</source>
        <translation>Log In</translation>
    </message>
    <message>
        <source>FTP 伺服器：</source>
        <translation>FTP server:</translation>
    </message>
    <message>
        <source>帳號(&amp;U)：</source>
        <translation>&amp;User name:</translation>
    </message>
    <message>
        <source>密碼(&amp;P)：</source>
        <translation>&amp;Password:</translation>
    </message>
</context>
<context>
    <name>MainFrame</name>
    <message>
        <source>工具列</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>傳 送 進 度</source>
        <translation>Transfer Progress</translation>
    </message>
    <message>
        <source>我 的 電 腦</source>
        <translation>My Computer</translation>
    </message>
    <message>
        <source>站 台 管 理</source>
        <translation>Site Manager</translation>
    </message>
    <message>
        <source>快速連線</source>
        <translation>Quick Connect</translation>
    </message>
    <message>
        <source>(無)</source>
        <translation>(None)</translation>
    </message>
    <message>
        <source>傳送中的工作將會中斷（%1 個工作執行中或待處理）。
確定要結束嗎？</source>
        <translation>Running transfers will be interrupted (%1 jobs running or waiting).
Are you sure you want to quit?</translation>
    </message>
    <message>
        <source>無法開啟操作手冊。</source>
        <translation>Could not open the user manual.</translation>
    </message>
</context>
<context>
    <name>MasterPasswordDlg</name>
    <message>
        <source>超級密碼</source>
        <translation>Master Password</translation>
    </message>
    <message>
        <source>密碼(&amp;P)：</source>
        <translation>&amp;Password:</translation>
    </message>
    <message>
        <source>確認密碼(&amp;C)：</source>
        <translation>&amp;Confirm password:</translation>
    </message>
    <message>
        <source>請自訂一組檔案加密用的密碼</source>
        <translation>Choose a password for encrypting the file</translation>
    </message>
    <message>
        <source>密碼不相符！
&apos;密碼&apos; 與 &apos;確認密碼&apos; 必須相同</source>
        <translation>The passwords do not match!
&apos;Password&apos; and &apos;Confirm password&apos; must be the same</translation>
    </message>
</context>
<context>
    <name>MdiTabBar</name>
    <message>
        <source>關閉</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>MoveDlg</name>
    <message>
        <source>搬移到資料夾...</source>
        <translation>Move to Folder...</translation>
    </message>
    <message>
        <source>目的資料夾(&amp;D)：</source>
        <translation>&amp;Destination folder:</translation>
    </message>
</context>
<context>
    <name>OptionsASCIITypesPage</name>
    <message>
        <source>新增(&amp;A)...</source>
        <translation>&amp;Add...</translation>
    </message>
    <message>
        <source>移除(&amp;R)...</source>
        <translation>&amp;Remove...</translation>
    </message>
    <message>
        <source>ASCII 副檔名</source>
        <translation>ASCII extensions</translation>
    </message>
    <message>
        <source>ASCII 副檔名清單</source>
        <translation>ASCII extension list</translation>
    </message>
    <message>
        <source>新增 ASCII 副檔名</source>
        <translation>Add ASCII Extension</translation>
    </message>
    <message>
        <source>ASCII 副檔名：</source>
        <translation>ASCII extension:</translation>
    </message>
</context>
<context>
    <name>OptionsAdvancedPage</name>
    <message>
        <source>ㄧ般</source>
        <translation>General</translation>
    </message>
    <message>
        <source>連線逾時(&amp;T) (秒)：</source>
        <translation>Connection &amp;timeout (seconds):</translation>
    </message>
    <message>
        <source>最大連線數(&amp;M)：</source>
        <translation>&amp;Maximum connections:</translation>
    </message>
    <message>
        <source>自動保持連線</source>
        <translation>Smart Keep-Alive</translation>
    </message>
    <message>
        <source>啟用保持連線機制(SKA)</source>
        <translation>Enable Smart Keep-Alive (SKA)</translation>
    </message>
    <message>
        <source>間隔(&amp;I) (秒)：</source>
        <translation>&amp;Interval (seconds):</translation>
    </message>
</context>
<context>
    <name>OptionsConnectionPage</name>
    <message>
        <source>自動偵測</source>
        <translation>Auto-detect</translation>
    </message>
    <message>
        <source>二進位碼</source>
        <translation>Binary</translation>
    </message>
    <message>
        <source>下載路徑(&amp;P)：</source>
        <translation>Download &amp;path:</translation>
    </message>
    <message>
        <source>重試次數(&amp;R)：</source>
        <translation>&amp;Retries:</translation>
    </message>
    <message>
        <source>間隔(&amp;D)： (秒)</source>
        <translation>Retry &amp;interval (seconds):</translation>
    </message>
    <message>
        <source>連線模式(&amp;D)：</source>
        <translation>&amp;Data connection mode:</translation>
    </message>
    <message>
        <source>編碼模式(&amp;T)：</source>
        <translation>Transfer &amp;type:</translation>
    </message>
    <message>
        <source>移除佇列中失敗的傳遞工作</source>
        <translation>Remove failed transfers from the queue</translation>
    </message>
    <message>
        <source>強制平行化處理(典型佇列模式)</source>
        <translation>Force parallel transfers (classic queue mode)</translation>
    </message>
    <message>
        <source>關閉續傳功能</source>
        <translation>Disable resume</translation>
    </message>
    <message>
        <source>選取資料夾：</source>
        <translation>Select Folder</translation>
    </message>
</context>
<context>
    <name>OptionsDlg</name>
    <message>
        <source>一般</source>
        <translation>General</translation>
    </message>
    <message>
        <source>通用選項設定</source>
        <translation>General options</translation>
    </message>
    <message>
        <source>傳遞</source>
        <translation>Transfer</translation>
    </message>
    <message>
        <source>FTP傳遞選項設定</source>
        <translation>FTP transfer options</translation>
    </message>
    <message>
        <source>Proxy</source>
        <translation>Proxy</translation>
    </message>
    <message>
        <source>proxy設定</source>
        <translation>Proxy settings</translation>
    </message>
    <message>
        <source>安全</source>
        <translation>Security</translation>
    </message>
    <message>
        <source>安全選項設定</source>
        <translation>Security options</translation>
    </message>
    <message>
        <source>SSL</source>
        <translation>SSL</translation>
    </message>
    <message>
        <source>SSL參數設定</source>
        <translation>SSL settings</translation>
    </message>
    <message>
        <source>SSH2</source>
        <translation>SSH2</translation>
    </message>
    <message>
        <source>SSH2參數設定</source>
        <translation>SSH2 settings</translation>
    </message>
    <message>
        <source>連線</source>
        <translation>Connection</translation>
    </message>
    <message>
        <source>連線設定</source>
        <translation>Connection settings</translation>
    </message>
    <message>
        <source>同名覆寫規則</source>
        <translation>Overwrite Rules</translation>
    </message>
    <message>
        <source>相同檔名之覆寫規則設定</source>
        <translation>Overwrite rules for files with the same name</translation>
    </message>
    <message>
        <source>傳遞後動作</source>
        <translation>After Transfer</translation>
    </message>
    <message>
        <source>傳遞工作完成後之相關動作設定</source>
        <translation>Actions to take when transfers are complete</translation>
    </message>
    <message>
        <source>重新命名規則</source>
        <translation>Rename Rules</translation>
    </message>
    <message>
        <source>傳遞期間自動重新命名規則設定</source>
        <translation>Rules for renaming files automatically during transfers</translation>
    </message>
    <message>
        <source>ASCII 類型</source>
        <translation>ASCII Types</translation>
    </message>
    <message>
        <source>設定哪些副檔名必須以 ASCII 模式傳送</source>
        <translation>Choose which file extensions are transferred in ASCII mode</translation>
    </message>
    <message>
        <source>自動保持連線</source>
        <translation>Smart Keep-Alive</translation>
    </message>
    <message>
        <source>使用SKA保持與FTP伺服器之間的連線</source>
        <translation>Use SKA to keep the connection to the FTP server alive</translation>
    </message>
    <message>
        <source>Zentrava 選項</source>
        <translation>Zentrava Options</translation>
    </message>
    <message>
        <source>設定通用選項</source>
        <translation>Set general options</translation>
    </message>
</context>
<context>
    <name>OptionsEventsPage</name>
    <message>
        <source>所有傳遞工作完成後：</source>
        <translation>When all transfers are complete:</translation>
    </message>
    <message>
        <source>不做任何動作</source>
        <translation>Do nothing</translation>
    </message>
    <message>
        <source>中斷站台連線</source>
        <translation>Disconnect from the site</translation>
    </message>
    <message>
        <source>中斷站台連線並結束程式</source>
        <translation>Disconnect from the site and quit</translation>
    </message>
    <message>
        <source>中斷網際網路連線</source>
        <translation>Disconnect from the Internet</translation>
    </message>
    <message>
        <source>關閉電腦</source>
        <translation>Shut down the computer</translation>
    </message>
    <message>
        <source>登出</source>
        <translation>Log out</translation>
    </message>
    <message>
        <source>保留下載檔案在遠端伺服器時的時間戳記</source>
        <translation>Keep the remote time stamp of downloaded files</translation>
    </message>
    <message>
        <source>保留上傳檔案的本機時間戳記 (使用 MDTM)</source>
        <translation>Keep the local time stamp of uploaded files (uses MDTM)</translation>
    </message>
</context>
<context>
    <name>OptionsGeneralPage</name>
    <message>
        <source>電子郵件(&amp;E)：</source>
        <translation>&amp;Email address:</translation>
    </message>
    <message>
        <source>介面語言(&amp;U)：</source>
        <translation>&amp;User interface language:</translation>
    </message>
    <message>
        <source>繁體中文</source>
        <translation>繁體中文</translation>
    </message>
    <message>
        <source>（介面語言在程式重新啟動後生效）</source>
        <translation>(The interface language changes when the program restarts)</translation>
    </message>
    <message>
        <source>程式啟動時：</source>
        <translation>On startup:</translation>
    </message>
    <message>
        <source>不做其他動作</source>
        <translation>Do nothing</translation>
    </message>
    <message>
        <source>連結到上一次連結的站台</source>
        <translation>Connect to the last site used</translation>
    </message>
    <message>
        <source>記憶視窗大小與位置(&amp;W)</source>
        <translation>Remember &amp;window size and position</translation>
    </message>
    <message>
        <source>刪除檔案時顯示確認提示(&amp;D)  (建議)</source>
        <translation>Confirm before &amp;deleting files (recommended)</translation>
    </message>
    <message>
        <source>即時訊息視窗開啟時，停用錯誤訊息視窗(&amp;O)</source>
        <translation>Disable error message boxes while the log is &amp;open</translation>
    </message>
    <message>
        <source>隱藏上傳/下載進度視窗(&amp;P)</source>
        <translation>Hide the upload/download &amp;progress window</translation>
    </message>
    <message>
        <source>斷線時自動連線(&amp;R)</source>
        <translation>&amp;Reconnect automatically when disconnected</translation>
    </message>
    <message>
        <source>自動下載至我的電腦視窗目前所在目錄位置(&amp;L)</source>
        <translation>Download to the current &amp;local folder (My Computer window)</translation>
    </message>
</context>
<context>
    <name>OptionsProxyPage</name>
    <message>
        <source>不使用 proxy </source>
        <translation>No proxy </translation>
    </message>
    <message>
        <source>透過 SOCKS4 proxy 防火牆連線</source>
        <translation>Connect through a SOCKS4 proxy firewall</translation>
    </message>
    <message>
        <source>透過&#x3000;SOCKS5 proxy 防火牆連線</source>
        <translation>Connect through a SOCKS5 proxy firewall</translation>
    </message>
    <message>
        <source>使用標準 WEB proxy (使用 WEB CONNECT 指令)</source>
        <translation>Use a standard WEB proxy (WEB CONNECT command)</translation>
    </message>
    <message>
        <source>簡易轉送代理</source>
        <translation>Simple relay proxy</translation>
    </message>
    <message>
        <source>透過&#x3000;SOCKS4a proxy 防火牆連線</source>
        <translation>Connect through a SOCKS4a proxy firewall</translation>
    </message>
    <message>
        <source>使用SITE指令連線</source>
        <translation>Connect with the SITE command</translation>
    </message>
    <message>
        <source>使用OPEN指令連線</source>
        <translation>Connect with the OPEN command</translation>
    </message>
    <message>
        <source>使用USER指令連線</source>
        <translation>Connect with the USER command</translation>
    </message>
    <message>
        <source>不使用Proxy</source>
        <translation>No proxy</translation>
    </message>
    <message>
        <source>Proxy類型：</source>
        <translation>Proxy type:</translation>
    </message>
    <message>
        <source>Proxy 類型註解：</source>
        <translation>Type description:</translation>
    </message>
    <message>
        <source>主機名稱：</source>
        <translation>Host name:</translation>
    </message>
    <message>
        <source>通訊埠：</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>帳號：</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>密碼：</source>
        <translation>Password:</translation>
    </message>
</context>
<context>
    <name>OptionsRenameRulesPage</name>
    <message>
        <source>由</source>
        <translation>From</translation>
    </message>
    <message>
        <source>改為</source>
        <translation>To</translation>
    </message>
    <message>
        <source>新增(&amp;A)...</source>
        <translation>&amp;Add...</translation>
    </message>
    <message>
        <source>編輯(&amp;E)...</source>
        <translation>&amp;Edit...</translation>
    </message>
    <message>
        <source>刪除(&amp;R)</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source> 套用重新命名規則(&amp;U)</source>
        <translation> &amp;Use rename rules</translation>
    </message>
    <message>
        <source>重新命名規則清單</source>
        <translation>Rename rule list</translation>
    </message>
    <message>
        <source>新增重新命名規則</source>
        <translation>Add Rename Rule</translation>
    </message>
    <message>
        <source>編輯重新命名規則</source>
        <translation>Edit Rename Rule</translation>
    </message>
</context>
<context>
    <name>OptionsSecurityPage</name>
    <message>
        <source>加密我的最愛中的連線密碼設定 (SITES.XML)</source>
        <translation>Encrypt the connection passwords saved in Favorites (SITES.XML)</translation>
    </message>
    <message>
        <source>加密用密碼(&amp;P)</source>
        <translation>Encryption &amp;Password</translation>
    </message>
    <message>
        <source>安全</source>
        <translation>Security</translation>
    </message>
    <message>
        <source>注意：強烈建議加密我的最愛中的連線密碼，您可以使用一組自定的密碼加密管理其他連線設定的密碼。</source>
        <translation>Note: encrypting the connection passwords saved in Favorites is strongly recommended. You can choose your own password to encrypt the passwords of your other connection settings.</translation>
    </message>
    <message>
        <source>不要在即時訊息視窗中顯示密碼</source>
        <translation>Don&apos;t show passwords in the log</translation>
    </message>
    <message>
        <source>密碼存放在桌面的金鑰圈(&amp;K)</source>
        <translation>Keep passwords in the desktop &amp;keyring</translation>
    </message>
    <message>
        <source>找不到桌面的金鑰圈服務，密碼存放在檔案中。</source>
        <translation>No desktop keyring service was found; passwords are kept in the files.</translation>
    </message>
</context>
<context>
    <name>OptionsSecuritySSH2Page</name>
    <message>
        <source>使用密碼驗證(&amp;W)</source>
        <translation>Use pass&amp;word authentication</translation>
    </message>
    <message>
        <source>使用公開金鑰驗證(&amp;K)</source>
        <translation>Use public &amp;key authentication</translation>
    </message>
    <message>
        <source>公開金鑰路徑(&amp;B)：</source>
        <translation>Pu&amp;blic key path:</translation>
    </message>
    <message>
        <source>選擇公開金鑰</source>
        <translation>Select Public Key</translation>
    </message>
    <message>
        <source>公開金鑰 (*.pub);;所有檔案 (*)</source>
        <translation>Public keys (*.pub);;All files (*)</translation>
    </message>
    <message>
        <source>私密金鑰路徑(&amp;V)：</source>
        <translation>Pri&amp;vate key path:</translation>
    </message>
    <message>
        <source>選擇私密金鑰</source>
        <translation>Select Private Key</translation>
    </message>
    <message>
        <source>私密金鑰 (*.key);;所有檔案 (*)</source>
        <translation>Private keys (*.key);;All files (*)</translation>
    </message>
    <message>
        <source>密碼(&amp;P)：</source>
        <translation>&amp;Pass phrase:</translation>
    </message>
    <message>
        <source>建立金鑰檔案(&amp;F)...</source>
        <translation>Create Key &amp;Files...</translation>
    </message>
    <message>
        <source>信任的識別清單(&amp;L)...</source>
        <translation>Trusted Host &amp;List...</translation>
    </message>
</context>
<context>
    <name>OptionsSecuritySSLPage</name>
    <message>
        <source>使用SSL憑證驗證(&amp;U)</source>
        <translation>&amp;Use SSL certificate authentication</translation>
    </message>
    <message>
        <source>憑證(&amp;I)：</source>
        <translation>Cert&amp;ificate:</translation>
    </message>
    <message>
        <source>選擇憑證</source>
        <translation>Select Certificate</translation>
    </message>
    <message>
        <source>憑證 (*.crt);;所有檔案 (*)</source>
        <translation>Certificates (*.crt);;All files (*)</translation>
    </message>
    <message>
        <source>私密金鑰(&amp;P)：</source>
        <translation>&amp;Private key:</translation>
    </message>
    <message>
        <source>選擇私密金鑰</source>
        <translation>Select Private Key</translation>
    </message>
    <message>
        <source>私密金鑰 (*.key);;所有檔案 (*)</source>
        <translation>Private keys (*.key);;All files (*)</translation>
    </message>
    <message>
        <source>密碼(&amp;W)：</source>
        <translation>Pass p&amp;hrase:</translation>
    </message>
    <message>
        <source>建立憑證(&amp;C)...</source>
        <translation>&amp;Create Certificate...</translation>
    </message>
    <message>
        <source>信任的憑證(&amp;T)...</source>
        <translation>&amp;Trusted Certificates...</translation>
    </message>
</context>
<context>
    <name>OptionsSmartKeepAlivePage</name>
    <message>
        <source>啟用自動保持連線(&amp;E)</source>
        <translation>&amp;Enable Smart Keep-Alive</translation>
    </message>
    <message>
        <source>閒置多久後開始 (秒)：</source>
        <translation>Start after idle for (seconds):</translation>
    </message>
    <message>
        <source>保持連線多久 (分鐘)：</source>
        <translation>Keep alive for (minutes):</translation>
    </message>
    <message>
        <source>最短間隔 (秒)：</source>
        <translation>Minimum interval (seconds):</translation>
    </message>
    <message>
        <source>最長間隔 (秒)：</source>
        <translation>Maximum interval (seconds):</translation>
    </message>
    <message>
        <source>依序傳送的指令 (每行一個，空白時傳送 NOOP)：</source>
        <translation>Commands to send in turn (one per line; NOOP when empty):</translation>
    </message>
    <message>
        <source>連線中斷時重新連線(&amp;R)</source>
        <translation>&amp;Reconnect when the connection drops</translation>
    </message>
    <message>
        <source>重新連線前等待 (秒)：</source>
        <translation>Wait before reconnecting (seconds):</translation>
    </message>
    <message>
        <source>保持連線的指令太多，無法儲存（上限 %1 位元組）</source>
        <translation>Too many keep-alive commands to save (limit: %1 bytes)</translation>
    </message>
</context>
<context>
    <name>OptionsSmartOverwritePage</name>
    <message>
        <source>提示</source>
        <translation>Ask</translation>
    </message>
    <message>
        <source>覆寫</source>
        <translation>Overwrite</translation>
    </message>
    <message>
        <source>略過</source>
        <translation>Skip</translation>
    </message>
    <message>
        <source>重新命名</source>
        <translation>Rename</translation>
    </message>
    <message>
        <source>續傳</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>編號識別</source>
        <translation>Add number</translation>
    </message>
    <message>
        <source>使用規則</source>
        <translation>Use rules</translation>
    </message>
    <message>
        <source>規則設定(&amp;C)...</source>
        <translation>&amp;Configure Rules...</translation>
    </message>
    <message>
        <source>逾時期限</source>
        <translation>Prompt timeout</translation>
    </message>
    <message>
        <source> 秒</source>
        <translation> seconds</translation>
    </message>
    <message>
        <source>傳送後檢查檔案完整性</source>
        <translation>Verify file integrity after transfer</translation>
    </message>
    <message>
        <source>同名檔案</source>
        <translation>When a file exists</translation>
    </message>
    <message>
        <source>忽略 0 位元檔案</source>
        <translation>Ignore zero-byte files</translation>
    </message>
    <message>
        <source>提示逾時動作</source>
        <translation>When the prompt times out</translation>
    </message>
</context>
<context>
    <name>OverwritePrompt</name>
    <message>
        <source>是(&amp;Y)</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>否(&amp;N)</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>否(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>全部都是(&amp;A)</source>
        <translation>Yes to &amp;All</translation>
    </message>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>續傳確認</source>
        <translation>Confirm Resume</translation>
    </message>
    <message>
        <source>取代檔案</source>
        <translation>Replace File</translation>
    </message>
    <message>
        <source>確認續傳 ( %1 秒內關閉)</source>
        <translation>Confirm Resume (closing in %1 seconds)</translation>
    </message>
    <message>
        <source>確認取代檔案 ( %1 秒內關閉)</source>
        <translation>Confirm File Replace (closing in %1 seconds)</translation>
    </message>
    <message>
        <source>資料夾中已經存在另一同名檔案 &apos;%1&apos;</source>
        <translation>The folder already contains a file named &apos;%1&apos;</translation>
    </message>
</context>
<context>
    <name>OverwritePromptDlg</name>
    <message>
        <source>您要將</source>
        <translation>Would you like to replace the existing file</translation>
    </message>
    <message>
        <source>換成這一個嗎？</source>
        <translation>with this one?</translation>
    </message>
</context>
<context>
    <name>OverwriteRule</name>
    <message>
        <source>如果目標日期 &lt;%1&gt; 而且檔案大小 &lt;%2&gt; 發生在 &lt;%3&gt;, 則 &lt;%4&gt;</source>
        <translation>If the target date is &lt;%1&gt; and the file size is &lt;%2&gt; during &lt;%3&gt;, then &lt;%4&gt;</translation>
    </message>
    <message>
        <source>較新</source>
        <translation>Newer</translation>
    </message>
    <message>
        <source>不考慮</source>
        <translation>Any</translation>
    </message>
    <message>
        <source>較舊</source>
        <translation>Older</translation>
    </message>
    <message>
        <source>相同</source>
        <translation>Same</translation>
    </message>
    <message>
        <source>不相同</source>
        <translation>Different</translation>
    </message>
    <message>
        <source>較大</source>
        <translation>Larger</translation>
    </message>
    <message>
        <source>較小</source>
        <translation>Smaller</translation>
    </message>
    <message>
        <source>任何傳送</source>
        <translation>Any transfer</translation>
    </message>
    <message>
        <source>下載時</source>
        <translation>Downloads</translation>
    </message>
    <message>
        <source>上傳時</source>
        <translation>Uploads</translation>
    </message>
    <message>
        <source>覆寫</source>
        <translation>Overwrite</translation>
    </message>
    <message>
        <source>編號識別</source>
        <translation>Add number</translation>
    </message>
    <message>
        <source>續傳</source>
        <translation>Resume</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Ask</translation>
    </message>
    <message>
        <source>略過</source>
        <translation>Skip</translation>
    </message>
</context>
<context>
    <name>OverwriteRulesDlg</name>
    <message>
        <source>同名處理規則</source>
        <translation>Overwrite Rules</translation>
    </message>
    <message>
        <source>如果目標日期</source>
        <translation>If the target date is</translation>
    </message>
    <message>
        <source>而且檔案大小</source>
        <translation>and the file size is</translation>
    </message>
    <message>
        <source>發生在</source>
        <translation>during</translation>
    </message>
    <message>
        <source>則</source>
        <translation>then</translation>
    </message>
    <message>
        <source>新增(&amp;A)</source>
        <translation>&amp;Add</translation>
    </message>
    <message>
        <source>刪除(&amp;R)</source>
        <translation>&amp;Remove</translation>
    </message>
    <message>
        <source>預設值 (&amp;E)</source>
        <translation>Restore D&amp;efaults</translation>
    </message>
    <message>
        <source>同名處理規則清單</source>
        <translation>Overwrite rule list</translation>
    </message>
    <message>
        <source>無法寫入設定檔，同名處理規則沒有儲存。</source>
        <translation>Could not write the settings file; the overwrite rules were not saved.</translation>
    </message>
    <message>
        <source>您要還原預設值嗎？</source>
        <translation>Do you want to restore the defaults?</translation>
    </message>
</context>
<context>
    <name>PackProcedures</name>
    <message>
        <source>無法將檔案加到 zip 壓縮檔！</source>
        <translation>Cannot add the file to the zip archive!</translation>
    </message>
    <message>
        <source>無法建立.cab 壓縮檔</source>
        <translation>Cannot create the .cab archive</translation>
    </message>
    <message>
        <source>無法將檔案加到 .cab 壓縮檔！</source>
        <translation>Cannot add the file to the .cab archive!</translation>
    </message>
    <message>
        <source>無法將檔案加到 GZIP/TAR 壓縮檔！</source>
        <translation>Cannot add the file to the GZIP/TAR archive!</translation>
    </message>
    <message>
        <source>無法解壓縮&#x3000;ZIP 檔！</source>
        <translation>Cannot extract the ZIP file!</translation>
    </message>
</context>
<context>
    <name>PackProgressDlg</name>
    <message>
        <source>解壓縮...</source>
        <translation>Unpacking...</translation>
    </message>
    <message>
        <source>壓縮中 ...</source>
        <translation>Packing...</translation>
    </message>
    <message>
        <source>檔案：</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>PropertiesDlg</name>
    <message>
        <source>內容</source>
        <translation>Properties</translation>
    </message>
    <message>
        <source>伺服器不支援變更檔案權限</source>
        <translation>The server does not support changing file permissions</translation>
    </message>
    <message>
        <source>類型：</source>
        <translation>Type:</translation>
    </message>
    <message>
        <source>位置：</source>
        <translation>Location:</translation>
    </message>
    <message>
        <source>大小：</source>
        <translation>Size:</translation>
    </message>
    <message>
        <source>修改日期：</source>
        <translation>Date modified:</translation>
    </message>
    <message>
        <source>擁有者：</source>
        <translation>Owner:</translation>
    </message>
    <message>
        <source>群組：</source>
        <translation>Group:</translation>
    </message>
    <message>
        <source>%1 個檔案, %2 個資料夾</source>
        <translation>%1 file(s), %2 folder(s)</translation>
    </message>
    <message>
        <source>%1 (%2 位元組)</source>
        <translation>%1 (%2 bytes)</translation>
    </message>
    <message>
        <source>權限</source>
        <translation>Permissions</translation>
    </message>
    <message>
        <source>擁有者</source>
        <translation>Owner</translation>
    </message>
    <message>
        <source>群組</source>
        <translation>Group</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Others</translation>
    </message>
    <message>
        <source>讀取</source>
        <translation>Read</translation>
    </message>
    <message>
        <source>寫入</source>
        <translation>Write</translation>
    </message>
    <message>
        <source>執行</source>
        <translation>Execute</translation>
    </message>
    <message>
        <source>數值(&amp;N)：</source>
        <translation>&amp;Numeric value:</translation>
    </message>
</context>
<context>
    <name>ProxyConnector</name>
    <message>
        <source> proxy 拒絕連線：</source>
        <translation> proxy refused the connection: </translation>
    </message>
    <message>
        <source>要求被拒絕或失敗 (91)</source>
        <translation>request rejected or failed (91)</translation>
    </message>
    <message>
        <source>proxy 無法連到用戶端的 identd (92)</source>
        <translation>the proxy cannot reach the client&apos;s identd (92)</translation>
    </message>
    <message>
        <source>identd 回報的使用者不符 (93)</source>
        <translation>identd reported a different user (93)</translation>
    </message>
    <message>
        <source>未知的回應碼 %1</source>
        <translation>unknown reply code %1</translation>
    </message>
    <message>
        <source>一般性失敗 (1)</source>
        <translation>general failure (1)</translation>
    </message>
    <message>
        <source>規則不允許這個連線 (2)</source>
        <translation>connection not allowed by the rules (2)</translation>
    </message>
    <message>
        <source>網路無法連線 (3)</source>
        <translation>network unreachable (3)</translation>
    </message>
    <message>
        <source>主機無法連線 (4)</source>
        <translation>host unreachable (4)</translation>
    </message>
    <message>
        <source>目標拒絕連線 (5)</source>
        <translation>connection refused by the target (5)</translation>
    </message>
    <message>
        <source>TTL 逾期 (6)</source>
        <translation>TTL expired (6)</translation>
    </message>
    <message>
        <source>不支援這個命令 (7)</source>
        <translation>command not supported (7)</translation>
    </message>
    <message>
        <source>不支援這種位址類型 (8)</source>
        <translation>address type not supported (8)</translation>
    </message>
    <message>
        <source>未設定 proxy 主機</source>
        <translation>No proxy host is set</translation>
    </message>
    <message>
        <source> 只能連到 IPv4 位址，無法解析 </source>
        <translation> can only reach IPv4 addresses; cannot resolve </translation>
    </message>
    <message>
        <source> 的名稱不可含有 NUL 字元</source>
        <translation> user and host names must not contain NUL characters</translation>
    </message>
    <message>
        <source> proxy 的回應無法解讀</source>
        <translation> proxy reply could not be understood</translation>
    </message>
    <message>
        <source>不接受無驗證或帳號密碼登入</source>
        <translation>neither anonymous nor user name and password login is accepted</translation>
    </message>
    <message>
        <source>需要登入，請設定 proxy 帳號與密碼</source>
        <translation>login required; set the proxy user name and password</translation>
    </message>
    <message>
        <source> proxy 選了未提供的驗證方式</source>
        <translation> proxy chose an authentication method that was not offered</translation>
    </message>
    <message>
        <source> 的主機名稱長度須在 1 到 255 之間</source>
        <translation> host names must be 1 to 255 characters long</translation>
    </message>
    <message>
        <source> 的帳號與密碼各不可超過 255 位元組</source>
        <translation> user name and password must each be at most 255 bytes</translation>
    </message>
    <message>
        <source>帳號或密碼錯誤</source>
        <translation>wrong user name or password</translation>
    </message>
    <message>
        <source> proxy 的名稱不可含有換行或 NUL 字元</source>
        <translation> proxy: host, user name and password must not contain line breaks or NUL characters</translation>
    </message>
    <message>
        <source> proxy 的回應標頭過長</source>
        <translation> proxy reply header is too long</translation>
    </message>
    <message>
        <source> proxy 的回應無法解讀：</source>
        <translation> proxy reply could not be understood: </translation>
    </message>
</context>
<context>
    <name>QueueCommands</name>
    <message>
        <source>：一邊是檔案，另一邊是資料夾（--delete 可取代）</source>
        <translation>: a file on one side, a folder on the other (--delete replaces it)</translation>
    </message>
</context>
<context>
    <name>QuickConnectBar</name>
    <message>
        <source>連線</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>主機位址：</source>
        <translation>Host:</translation>
    </message>
    <message>
        <source>帳號：</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>密碼：</source>
        <translation>Password:</translation>
    </message>
</context>
<context>
    <name>RemoteConnection</name>
    <message>
        <source>無法刪除目錄內容</source>
        <translation>Cannot delete the folder contents</translation>
    </message>
    <message>
        <source>：目錄層數過深 </source>
        <translation>: folders nested too deeply at </translation>
    </message>
</context>
<context>
    <name>RemoteController</name>
    <message>
        <source>變更資料夾： &quot;%1&quot;</source>
        <translation>Change folder: &quot;%1&quot;</translation>
    </message>
    <message>
        <source>無法儲存站台設定到 %1</source>
        <translation>Cannot save the site settings to %1</translation>
    </message>
</context>
<context>
    <name>RemoteListModel</name>
    <message>
        <source>名稱
大小
類型
修改日期
屬性
擁有人
群組</source>
        <translation>Name
Size
Type
Date modified
Attributes
Owner
Group</translation>
    </message>
</context>
<context>
    <name>RemoteViewDialogs</name>
    <message>
        <source>下載到指定資料夾：</source>
        <translation>Download to Folder</translation>
    </message>
    <message>
        <source>下載到</source>
        <translation>Download To</translation>
    </message>
    <message>
        <source>所有檔案 (*.*)</source>
        <translation>All files (*.*)</translation>
    </message>
    <message>
        <source>上傳</source>
        <translation>Upload</translation>
    </message>
</context>
<context>
    <name>RenameFileDlg</name>
    <message>
        <source>輸入新的檔案名稱</source>
        <translation>Enter a New File Name</translation>
    </message>
    <message>
        <source>原檔名</source>
        <translation>Original name</translation>
    </message>
    <message>
        <source>新檔名</source>
        <translation>New name</translation>
    </message>
</context>
<context>
    <name>RenameRuleDlg</name>
    <message>
        <source>將原有檔名：</source>
        <translation>Original name:</translation>
    </message>
    <message>
        <source>重新命名為：</source>
        <translation>Rename to:</translation>
    </message>
</context>
<context>
    <name>RetryCountdownDlg</name>
    <message>
        <source>Zentrava Pro 將在 %1 秒之後重試...</source>
        <translation>Zentrava Pro will retry in %1 seconds...</translation>
    </message>
</context>
<context>
    <name>ScheduleDlg</name>
    <message>
        <source>啟動排程</source>
        <translation>Enable schedule</translation>
    </message>
    <message>
        <source>開始時間:</source>
        <translation>Start time:</translation>
    </message>
    <message>
        <source>重複執行</source>
        <translation>Repeat</translation>
    </message>
    <message>
        <source>每</source>
        <translation>Every</translation>
    </message>
    <message>
        <source>排程作業</source>
        <translation>Scheduled Task</translation>
    </message>
    <message>
        <source>分</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>小時</source>
        <translation>hours</translation>
    </message>
    <message>
        <source>日</source>
        <translation>days</translation>
    </message>
    <message>
        <source>週</source>
        <translation>weeks</translation>
    </message>
    <message>
        <source>月</source>
        <translation>months</translation>
    </message>
    <message>
        <source>年</source>
        <translation>years</translation>
    </message>
</context>
<context>
    <name>ServerCopy</name>
    <message>
        <source>來源站台沒有回應 PASV 命令：</source>
        <translation>The source site did not answer the PASV command: </translation>
    </message>
    <message>
        <source>來源站台沒有接受 PASV 命令</source>
        <translation>The source site did not accept the PASV command</translation>
    </message>
    <message>
        <source>無效 PASV 回應：</source>
        <translation>Invalid PASV reply: </translation>
    </message>
    <message>
        <source>目的站台沒有接受 PORT 命令</source>
        <translation>The destination site did not accept the PORT command</translation>
    </message>
    <message>
        <source>目的站台沒有接受 STOR %1</source>
        <translation>The destination site did not accept STOR %1</translation>
    </message>
    <message>
        <source>來源站台沒有接受 RETR %1</source>
        <translation>The source site did not accept RETR %1</translation>
    </message>
    <message>
        <source>來源站台沒有完成 RETR %1</source>
        <translation>The source site did not complete RETR %1</translation>
    </message>
    <message>
        <source>目的站台沒有確認 STOR %1</source>
        <translation>The destination site did not confirm STOR %1</translation>
    </message>
    <message>
        <source>站台之間的複製只能用於 FTP 站台</source>
        <translation>Copying between sites works only for FTP sites</translation>
    </message>
</context>
<context>
    <name>SftpClient</name>
    <message>
        <source>：伺服器的回應格式錯誤</source>
        <translation>: the server&apos;s reply is malformed</translation>
    </message>
    <message>
        <source>無法連線到 %1:%2</source>
        <translation>Cannot connect to %1:%2</translation>
    </message>
    <message>
        <source>：FTP 類型的 proxy（SITE、OPEN、USER）只能用於 FTP，SFTP 請改用 SOCKS、HTTP CONNECT 或轉送</source>
        <translation>: FTP-style proxies (SITE, OPEN, USER) work only with FTP; for SFTP use SOCKS, HTTP CONNECT or a relay</translation>
    </message>
    <message>
        <source>（經由 proxy %1:%2）</source>
        <translation> (via proxy %1:%2)</translation>
    </message>
    <message>
        <source>SSH 伺服器：</source>
        <translation>SSH server: </translation>
    </message>
    <message>
        <source>SSH 連線失敗：無法取得伺服器的主機金鑰</source>
        <translation>SSH connection failed: cannot get the server&apos;s host key</translation>
    </message>
    <message>
        <source>伺服器的主機金鑰：</source>
        <translation>Server host key: </translation>
    </message>
    <message>
        <source>已拒絕伺服器的主機金鑰（%1），連線已中止</source>
        <translation>Rejected the server&apos;s host key (%1); connection aborted</translation>
    </message>
    <message>
        <source>SSH 登入失敗：只允許以金鑰登入，但沒有載入可用的私密金鑰</source>
        <translation>SSH login failed: only key login is allowed, but no usable private key is loaded</translation>
    </message>
    <message>
        <source>SSH 登入失敗：伺服器不提供可用的登入方式（伺服器提供：%1）</source>
        <translation>SSH login failed: the server offers no usable login method (offered: %1)</translation>
    </message>
    <message>
        <source>SSH 登入失敗：伺服器還要求其他登入方式（%1）</source>
        <translation>SSH login failed: the server requires further login methods (%1)</translation>
    </message>
    <message>
        <source>已登入（%1）</source>
        <translation>Logged in (%1)</translation>
    </message>
    <message>
        <source>無法啟動 SFTP</source>
        <translation>Cannot start SFTP</translation>
    </message>
    <message>
        <source>：不支援伺服器的 SFTP 版本 %1</source>
        <translation>: server SFTP version %1 is not supported</translation>
    </message>
    <message>
        <source>SFTP 版本 3，擴充功能：%1</source>
        <translation>SFTP version 3, extensions: %1</translation>
    </message>
    <message>
        <source>無法讀取 SFTP 伺服器的限制</source>
        <translation>Cannot read the SFTP server&apos;s limits</translation>
    </message>
    <message>
        <source>：尚未連線</source>
        <translation>: not connected</translation>
    </message>
    <message>
        <source>：SFTP 連線已中斷</source>
        <translation>: the SFTP connection was lost</translation>
    </message>
    <message>
        <source>無法取得目前的資料夾</source>
        <translation>Cannot get the current folder</translation>
    </message>
    <message>
        <source>無法切換到資料夾 &quot;%1&quot;</source>
        <translation>Cannot change to folder &quot;%1&quot;</translation>
    </message>
    <message>
        <source>：不是資料夾</source>
        <translation>: not a folder</translation>
    </message>
    <message>
        <source>無法列出資料夾 &quot;%1&quot;</source>
        <translation>Cannot list folder &quot;%1&quot;</translation>
    </message>
    <message>
        <source>已略過不安全的名稱：%1</source>
        <translation>Skipped unsafe name: %1</translation>
    </message>
    <message>
        <source>：項目過多</source>
        <translation>: too many items</translation>
    </message>
    <message>
        <source>無法讀取 &quot;%1&quot; 的資訊</source>
        <translation>Cannot read information about &quot;%1&quot;</translation>
    </message>
    <message>
        <source>下載 &quot;%1&quot; 失敗</source>
        <translation>Downloading &quot;%1&quot; failed</translation>
    </message>
    <message>
        <source>：本機檔案比遠端檔案大，無法續傳</source>
        <translation>: the local file is larger than the remote file; cannot resume</translation>
    </message>
    <message>
        <source>：無法開啟本機檔案 &quot;%1&quot;：%2</source>
        <translation>: cannot open local file &quot;%1&quot;: %2</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>%1 在傳送時變大：宣告 %2 位元組，收到 %3 位元組</source>
        <translation>%1 grew during the transfer: %2 bytes announced, %3 bytes received</translation>
    </message>
    <message>
        <source>：伺服器沒有提供檔案大小</source>
        <translation>: the server did not report the file size</translation>
    </message>
    <message>
        <source>上傳 &quot;%1&quot; 失敗</source>
        <translation>Uploading &quot;%1&quot; failed</translation>
    </message>
    <message>
        <source>：遠端檔案比本機檔案大，無法續傳</source>
        <translation>: the remote file is larger than the local file; cannot resume</translation>
    </message>
    <message>
        <source>刪除檔案 &quot;%1&quot; 失敗</source>
        <translation>Deleting file &quot;%1&quot; failed</translation>
    </message>
    <message>
        <source>移除資料夾 &quot;%1&quot; 失敗</source>
        <translation>Removing folder &quot;%1&quot; failed</translation>
    </message>
    <message>
        <source>建立資料夾 &quot;%1&quot; 失敗</source>
        <translation>Creating folder &quot;%1&quot; failed</translation>
    </message>
    <message>
        <source>將 &quot;%1&quot; 重新命名為 &quot;%2&quot; 失敗</source>
        <translation>Renaming &quot;%1&quot; to &quot;%2&quot; failed</translation>
    </message>
    <message>
        <source>刪除資料夾 &quot;%1&quot; 的內容失敗</source>
        <translation>Deleting the contents of folder &quot;%1&quot; failed</translation>
    </message>
    <message>
        <source>：資料夾層數過多</source>
        <translation>: too many nested folders</translation>
    </message>
    <message>
        <source>設定 &quot;%1&quot; 的修改時間失敗</source>
        <translation>Setting the modification time of &quot;%1&quot; failed</translation>
    </message>
    <message>
        <source>：時間超出範圍</source>
        <translation>: time out of range</translation>
    </message>
    <message>
        <source>變更 &quot;%1&quot; 的權限失敗</source>
        <translation>Changing the permissions of &quot;%1&quot; failed</translation>
    </message>
    <message>
        <source>無法取得遠端檔案的檢查碼</source>
        <translation>Cannot get the checksum of the remote file</translation>
    </message>
    <message>
        <source>無法取得 &quot;%1&quot; 的檢查碼</source>
        <translation>Cannot get the checksum of &quot;%1&quot;</translation>
    </message>
    <message>
        <source>：命令的輸出過長</source>
        <translation>: the command&apos;s output is too long</translation>
    </message>
    <message>
        <source>SFTP 伺服器沒有回應</source>
        <translation>The SFTP server is not responding</translation>
    </message>
    <message>
        <source>無法送出命令</source>
        <translation>Cannot send the command</translation>
    </message>
    <message>
        <source>伺服器沒有提供修改時間</source>
        <translation>The server did not report the modification time</translation>
    </message>
    <message>
        <source>命令參數錯誤：%1</source>
        <translation>Invalid command arguments: %1</translation>
    </message>
    <message>
        <source>SFTP 連線不支援命令 &quot;%1&quot;</source>
        <translation>The SFTP connection does not support the command &quot;%1&quot;</translation>
    </message>
</context>
<context>
    <name>SftpConnection</name>
    <message>
        <source>：SFTP 連線已中斷</source>
        <translation>: the SFTP connection was lost</translation>
    </message>
    <message>
        <source>：伺服器送出無效的 SFTP 封包</source>
        <translation>: the server sent an invalid SFTP packet</translation>
    </message>
    <message>
        <source>：伺服器已關閉 SFTP 通道</source>
        <translation>: the server closed the SFTP channel</translation>
    </message>
</context>
<context>
    <name>SftpStatus</name>
    <message>
        <source>成功</source>
        <translation>success</translation>
    </message>
    <message>
        <source>已到檔案結尾</source>
        <translation>end of file</translation>
    </message>
    <message>
        <source>檔案或資料夾不存在</source>
        <translation>no such file or folder</translation>
    </message>
    <message>
        <source>權限不足</source>
        <translation>permission denied</translation>
    </message>
    <message>
        <source>伺服器無法完成作業</source>
        <translation>the server could not complete the operation</translation>
    </message>
    <message>
        <source>伺服器無法辨識要求</source>
        <translation>the server did not understand the request</translation>
    </message>
    <message>
        <source>沒有連線</source>
        <translation>no connection</translation>
    </message>
    <message>
        <source>連線中斷</source>
        <translation>connection lost</translation>
    </message>
    <message>
        <source>伺服器不支援此作業</source>
        <translation>the server does not support this operation</translation>
    </message>
    <message>
        <source>伺服器錯誤碼 %1</source>
        <translation>server error code %1</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>（</source>
        <translation> (</translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
</context>
<context>
    <name>SftpTransfer</name>
    <message>
        <source>：伺服器的回應格式錯誤</source>
        <translation>: the server&apos;s reply is malformed</translation>
    </message>
    <message>
        <source>：伺服器傳回的資料不符要求</source>
        <translation>: the server returned data that does not match the request</translation>
    </message>
    <message>
        <source>：寫入本機檔案失敗：</source>
        <translation>: writing the local file failed: </translation>
    </message>
    <message>
        <source>讀取本機檔案失敗：</source>
        <translation>Reading the local file failed: </translation>
    </message>
</context>
<context>
    <name>SiteFolderTree</name>
    <message>
        <source>我的最愛</source>
        <translation>Favorites</translation>
    </message>
    <message>
        <source>新資料夾</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>您確定要刪除 &apos;%1&apos; ？</source>
        <translation>Are you sure you want to delete &apos;%1&apos;?</translation>
    </message>
    <message>
        <source>您確定要刪除這個資料夾 &apos;%1&apos; 及所有的內容？</source>
        <translation>Are you sure you want to delete the folder &apos;%1&apos; and all its contents?</translation>
    </message>
    <message>
        <source>無法儲存 %1</source>
        <translation>Cannot save %1</translation>
    </message>
</context>
<context>
    <name>SiteGeneralPage</name>
    <message>
        <source>匿名存取</source>
        <translation>Anonymous login</translation>
    </message>
    <message>
        <source>站台內容</source>
        <translation>Site Properties</translation>
    </message>
    <message>
        <source>間隔</source>
        <translation>Interval</translation>
    </message>
    <message>
        <source>站台名稱</source>
        <translation>Site name</translation>
    </message>
    <message>
        <source>主機位址</source>
        <translation>Host address</translation>
    </message>
    <message>
        <source>帳號</source>
        <translation>User name</translation>
    </message>
    <message>
        <source>密碼</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>遠端資料夾</source>
        <translation>Remote folder</translation>
    </message>
    <message>
        <source>本機資料夾</source>
        <translation>Local folder</translation>
    </message>
    <message>
        <source>重試</source>
        <translation>Retries</translation>
    </message>
    <message>
        <source>註解</source>
        <translation>Comment</translation>
    </message>
    <message>
        <source>選取資料夾：</source>
        <translation>Select Folder</translation>
    </message>
</context>
<context>
    <name>SiteList</name>
    <message>
        <source>新站台</source>
        <translation>New Site</translation>
    </message>
    <message>
        <source>新資料夾</source>
        <translation>New Folder</translation>
    </message>
    <message>
        <source>名稱不能是空白</source>
        <translation>The name cannot be empty</translation>
    </message>
    <message>
        <source>名稱不能包含 \ 字元</source>
        <translation>The name cannot contain the \ character</translation>
    </message>
    <message>
        <source>名稱不能包含 &quot; &lt; &gt; 或換行字元</source>
        <translation>The name cannot contain &quot; &lt; &gt; or line breaks</translation>
    </message>
</context>
<context>
    <name>SiteManagerDlg</name>
    <message>
        <source>連線(&amp;N)</source>
        <translation>Co&amp;nnect</translation>
    </message>
    <message>
        <source>新增站台(&amp;S)</source>
        <translation>New &amp;Site</translation>
    </message>
    <message>
        <source>新增資料夾(&amp;F)</source>
        <translation>New &amp;Folder</translation>
    </message>
    <message>
        <source>重新命名(&amp;R)</source>
        <translation>&amp;Rename</translation>
    </message>
    <message>
        <source>刪除(&amp;D)</source>
        <translation>&amp;Delete</translation>
    </message>
    <message>
        <source>內容(&amp;P)...</source>
        <translation>&amp;Properties...</translation>
    </message>
    <message>
        <source>連線精靈</source>
        <translation>Connection Wizard</translation>
    </message>
    <message>
        <source>我的最愛</source>
        <translation>Favorites</translation>
    </message>
    <message>
        <source>您確定要刪除這個資料夾 &apos;%1&apos; 及所有的內容？</source>
        <translation>Are you sure you want to delete the folder &apos;%1&apos; and all its contents?</translation>
    </message>
    <message>
        <source>您確定要刪除 &apos;%1&apos; ？</source>
        <translation>Are you sure you want to delete &apos;%1&apos;?</translation>
    </message>
</context>
<context>
    <name>SitePropertiesSheet</name>
    <message>
        <source>連線</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>站台連線設定</source>
        <translation>Site Connection Settings</translation>
    </message>
</context>
<context>
    <name>SiteTypeDlg</name>
    <message>
        <source>以TLS(SSL V 3.1) 透過&#x3000;IANA 所定義的安全接埠(990)進行安全連線，若失敗則自動降為舊的SSL安全連線設定</source>
        <translation>Connects securely with TLS on the secure port assigned by IANA (990).</translation>
    </message>
    <message>
        <source>透過叫用 AUTH TLS 指令，使用 SSL V3.1 進行安全連線，若失敗則自動降為舊的SSL AUTH安全連線設定</source>
        <translation>Sends the AUTH TLS command, then connects securely with TLS.</translation>
    </message>
    <message>
        <source>SFTP (SecureFTP) 為 Secure Shell&#x3000;的元件，大部分執行SSH2的Unix系統都有支援，請先詢問管理員確認伺服器是否支援</source>
        <translation>SFTP (Secure FTP) is part of Secure Shell and is supported by most Unix systems that run SSH2. Check with the administrator first that the server supports it.</translation>
    </message>
    <message>
        <source>使用標準FTP通訊協定以非安全(純文字)的方式處理FTP命令與資料傳遞。</source>
        <translation>Uses the standard FTP protocol: commands and data transfers are sent unencrypted (plain text).</translation>
    </message>
    <message>
        <source>FTP (標準FTP協定)</source>
        <translation>FTP (standard FTP protocol)</translation>
    </message>
    <message>
        <source>FTP 加 TLS/SSL (Port 990 - Implicit)</source>
        <translation>FTP over TLS/SSL (Port 990 - Implicit)</translation>
    </message>
    <message>
        <source>FTP 加 TLS/SSL (AUTH TLS - Explicit)</source>
        <translation>FTP over TLS/SSL (AUTH TLS - Explicit)</translation>
    </message>
    <message>
        <source>SFTP 使用 SSH2 (Secure Shell)</source>
        <translation>SFTP over SSH2 (Secure Shell)</translation>
    </message>
    <message>
        <source>解除資料加密通道</source>
        <translation>Unencrypted data channel</translation>
    </message>
    <message>
        <source>解除命令加密通道</source>
        <translation>Unencrypted command channel</translation>
    </message>
    <message>
        <source>注意：連線過程通常都是加密的。
解除資料加密通道，所有資料傳遞將以純文字方式處理。
解除命令加密通道，則後續的命令將以純文字方式處理。</source>
        <translation>Note: the connection is normally encrypted.
With an unencrypted data channel, all data transfers are sent as plain text.
With an unencrypted command channel, the commands that follow are sent as plain text.</translation>
    </message>
    <message>
        <source>連線模式</source>
        <translation>Connection mode</translation>
    </message>
    <message>
        <source>使用通用設定</source>
        <translation>Use global settings</translation>
    </message>
    <message>
        <source>使用 PORT 模式</source>
        <translation>Use PORT mode</translation>
    </message>
    <message>
        <source>使用 PASV 模式</source>
        <translation>Use PASV mode</translation>
    </message>
    <message>
        <source>自動偵測</source>
        <translation>Auto-detect</translation>
    </message>
    <message>
        <source>二進位碼</source>
        <translation>Binary</translation>
    </message>
    <message>
        <source>類型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>通訊協定</source>
        <translation>Protocol</translation>
    </message>
    <message>
        <source>通訊埠</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>通訊協定說明</source>
        <translation>Protocol description</translation>
    </message>
    <message>
        <source>編碼模式</source>
        <translation>Transfer type</translation>
    </message>
</context>
<context>
    <name>SmartOverwrite</name>
    <message>
        <source>複製 -</source>
        <translation>Copy of </translation>
    </message>
    <message>
        <source>複製(%1) -</source>
        <translation>Copy (%1) of </translation>
    </message>
</context>
<context>
    <name>SshSession</name>
    <message>
        <source>SSH 連線失敗</source>
        <translation>SSH connection failed</translation>
    </message>
    <message>
        <source>：無法建立 SSH 工作階段</source>
        <translation>: cannot create an SSH session</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>（</source>
        <translation> (</translation>
    </message>
    <message>
        <source>）</source>
        <translation>)</translation>
    </message>
    <message>
        <source>SSH 登入失敗：</source>
        <translation>SSH login failed: </translation>
    </message>
    <message>
        <source>SSH 登入失敗</source>
        <translation>SSH login failed</translation>
    </message>
    <message>
        <source>SSH 密碼登入失敗</source>
        <translation>SSH password login failed</translation>
    </message>
    <message>
        <source>登入失敗：伺服器拒絕了使用者名稱或密碼</source>
        <translation>Login failed: the server rejected the user name or password</translation>
    </message>
    <message>
        <source>SSH 鍵盤互動登入失敗</source>
        <translation>SSH keyboard-interactive login failed</translation>
    </message>
    <message>
        <source>：伺服器一再要求更多回答</source>
        <translation>: the server keeps asking for more answers</translation>
    </message>
    <message>
        <source>SSH 金鑰登入失敗</source>
        <translation>SSH key login failed</translation>
    </message>
    <message>
        <source>登入失敗：伺服器不接受這把金鑰</source>
        <translation>Login failed: the server does not accept this key</translation>
    </message>
    <message>
        <source>無法啟動 SSH 子系統 %1</source>
        <translation>Cannot start SSH subsystem %1</translation>
    </message>
    <message>
        <source>伺服器無法執行命令</source>
        <translation>The server cannot run the command</translation>
    </message>
</context>
<context>
    <name>StoredFileLoad</name>
    <message>
        <source>無法讀取檔案 %1，也無法將它改名保存；為免覆蓋，此檔案不會被寫入。</source>
        <translation>Cannot read the file %1, nor set it aside under another name. To avoid overwriting it, the file will not be written.</translation>
    </message>
    <message>
        <source>無法讀取檔案 %1。
原檔案已改名保存為 %2，程式將以空白內容重新開始。</source>
        <translation>Cannot read the file %1.
The original file has been renamed to %2, and the program starts over with empty contents.</translation>
    </message>
</context>
<context>
    <name>StoredListLimit</name>
    <message>
        <source>%1太長，無法儲存：儲存後為 %2 位元組，必須少於 %3 位元組。請移除部分項目。</source>
        <translation>%1 is too long to save: it would take %2 bytes and must stay under %3 bytes. Remove some items.</translation>
    </message>
</context>
<context>
    <name>SystemActions</name>
    <message>
        <source>系統服務 %1 傳回的資料無法辨識</source>
        <translation>System service %1 returned unrecognized data</translation>
    </message>
    <message>
        <source>找不到目前的登入工作階段</source>
        <translation>Cannot find the current login session</translation>
    </message>
    <message>
        <source>無法連上系統的 D-Bus</source>
        <translation>Cannot reach the system D-Bus</translation>
    </message>
    <message>
        <source>無法連上系統的 D-Bus：%1</source>
        <translation>Cannot reach the system D-Bus: %1</translation>
    </message>
    <message>
        <source>系統服務 %1 沒有執行</source>
        <translation>System service %1 is not running</translation>
    </message>
    <message>
        <source>系統服務 %1 沒有回應</source>
        <translation>System service %1 is not responding</translation>
    </message>
    <message>
        <source>系統服務 %1 拒絕了要求：%2</source>
        <translation>System service %1 refused the request: %2</translation>
    </message>
</context>
<context>
    <name>TargetSiteDlg</name>
    <message>
        <source>站台對傳</source>
        <translation>Site-to-Site Transfer</translation>
    </message>
    <message>
        <source>選擇目標站台</source>
        <translation>Choose the target site</translation>
    </message>
</context>
<context>
    <name>TlsContext</name>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
    <message>
        <source>無法讀取用戶端憑證</source>
        <translation>Cannot read the client certificate</translation>
    </message>
    <message>
        <source>無法讀取用戶端私密金鑰</source>
        <translation>Cannot read the client private key</translation>
    </message>
    <message>
        <source>用戶端憑證與私密金鑰不符：</source>
        <translation>The client certificate does not match the private key: </translation>
    </message>
</context>
<context>
    <name>TlsTransport</name>
    <message>
        <source>伺服器未提供憑證</source>
        <translation>The server did not present a certificate</translation>
    </message>
    <message>
        <source>憑證不是發給 </source>
        <translation>The certificate was not issued to </translation>
    </message>
    <message>
        <source> 的</source>
        <translation> (name mismatch)</translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
</context>
<context>
    <name>TracePane</name>
    <message>
        <source>即 時 訊 息</source>
        <translation>Log</translation>
    </message>
    <message>
        <source>選擇輸出檔案</source>
        <translation>Choose Output File</translation>
    </message>
    <message>
        <source>文字檔 (*.txt);;所有檔案 (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
    <message>
        <source>無法開啟檔案！</source>
        <translation>Cannot open the file!</translation>
    </message>
    <message>
        <source>複製內容</source>
        <translation>Copy Contents</translation>
    </message>
    <message>
        <source>刪除內容</source>
        <translation>Clear Contents</translation>
    </message>
    <message>
        <source>另存新檔(&amp;S)...</source>
        <translation>&amp;Save As...</translation>
    </message>
</context>
<context>
    <name>TransferDetailsDlg</name>
    <message>
        <source>連線詳細資料</source>
        <translation>Connection Details</translation>
    </message>
</context>
<context>
    <name>TransferJob</name>
    <message>
        <source>取消下載！</source>
        <translation>Download canceled!</translation>
    </message>
    <message>
        <source>取消上傳</source>
        <translation>Upload canceled</translation>
    </message>
</context>
<context>
    <name>TransferManagerBar</name>
    <message>
        <source>取消(&amp;C)</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>續傳(&amp;R)</source>
        <translation>&amp;Resume</translation>
    </message>
    <message>
        <source>排程...</source>
        <translation>Schedule...</translation>
    </message>
    <message>
        <source>全選(&amp;A)</source>
        <translation>Select &amp;All</translation>
    </message>
    <message>
        <source>反向選取(&amp;I)</source>
        <translation>&amp;Invert Selection</translation>
    </message>
    <message>
        <source>詳細資料(&amp;D)...</source>
        <translation>&amp;Details...</translation>
    </message>
    <message>
        <source>無法開啟操作手冊。</source>
        <translation>Cannot open the user manual.</translation>
    </message>
</context>
<context>
    <name>TransferPlanner</name>
    <message>
        <source>連線逾時</source>
        <translation>Connection timed out</translation>
    </message>
    <message>
        <source>無法連線至 %1：%2</source>
        <translation>Cannot connect to %1: %2</translation>
    </message>
    <message>
        <source>略過不安全的遠端名稱 &apos;%1&apos;</source>
        <translation>Skipped unsafe remote name &apos;%1&apos;</translation>
    </message>
    <message>
        <source>無法建立本機資料夾 %1</source>
        <translation>Cannot create local folder %1</translation>
    </message>
    <message>
        <source>略過不安全的遠端名稱 &apos;%1&apos;（位於 %2）</source>
        <translation>Skipped unsafe remote name &apos;%1&apos; (in %2)</translation>
    </message>
    <message>
        <source>無法建立資料夾 %1：%2</source>
        <translation>Cannot create folder %1: %2</translation>
    </message>
    <message>
        <source>無法開啟遠端資料夾 %1</source>
        <translation>Cannot open remote folder %1</translation>
    </message>
    <message>
        <source>無法開啟本機資料夾 %1</source>
        <translation>Cannot open local folder %1</translation>
    </message>
    <message>
        <source>無法列出 %1：%2</source>
        <translation>Cannot list %1: %2</translation>
    </message>
    <message>
        <source>略過資料夾連結 %1</source>
        <translation>Skipped folder link %1</translation>
    </message>
    <message>
        <source>無法刪除</source>
        <translation>cannot delete</translation>
    </message>
    <message>
        <source>：</source>
        <translation>: </translation>
    </message>
</context>
<context>
    <name>TransferProgressDlg</name>
    <message>
        <source>複製...</source>
        <translation>Copying...</translation>
    </message>
</context>
<context>
    <name>TransferQueue</name>
    <message>
        <source>排程</source>
        <translation>Scheduled</translation>
    </message>
    <message>
        <source>失敗</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>待處理</source>
        <translation>Pending</translation>
    </message>
    <message>
        <source>檔名
站台
來源
目的
狀態
進度</source>
        <translation>File name
Site
Source
Destination
Status
Progress</translation>
    </message>
    <message>
        <source>無法建立傳送執行緒</source>
        <translation>Cannot create the transfer thread</translation>
    </message>
</context>
<context>
    <name>TransferQueueStore</name>
    <message>
        <source>無法寫入傳送佇列檔案 &quot;%1&quot;：%2</source>
        <translation>Cannot write the transfer queue file &quot;%1&quot;: %2</translation>
    </message>
</context>
<context>
    <name>TrustPolicy</name>
    <message>
        <source>%1 的公開金鑰已變更，拒絕連線。
記錄中的金鑰：%2 %3
伺服器提供的金鑰：%4 %5
連線可能遭到攔截，有人正假冒這部伺服器。若伺服器的金鑰確實已經更換，請在信任的主機金鑰清單中更換它，再重新連線。</source>
        <translation>The public key of %1 has changed; connection refused.
Recorded key: %2 %3
Key offered by the server: %4 %5
The connection may have been intercepted by someone impersonating this server. If the server&apos;s key really has been replaced, replace it in the list of trusted host keys, then reconnect.</translation>
    </message>
    <message>
        <source>%1 的公開金鑰 %2 已被撤銷，拒絕連線</source>
        <translation>Public key %2 of %1 has been revoked; connection refused</translation>
    </message>
    <message>
        <source>無法將 %1 的憑證記錄在 &quot;%2&quot;</source>
        <translation>Cannot record the certificate of %1 in &quot;%2&quot;</translation>
    </message>
</context>
<context>
    <name>TrustQuestion</name>
    <message>
        <source>接受(&amp;A)</source>
        <translation>&amp;Accept</translation>
    </message>
    <message>
        <source>拒絕(&amp;R)</source>
        <translation>&amp;Reject</translation>
    </message>
</context>
<context>
    <name>UnpackZip</name>
    <message>
        <source>無法建立資料夾：%1</source>
        <translation>Cannot create folder: %1</translation>
    </message>
</context>
<context>
    <name>UploadThread</name>
    <message>
        <source>檔案上傳完成</source>
        <translation>File upload complete</translation>
    </message>
    <message>
        <source>資料夾層數過深，略過：%1</source>
        <translation>Folders nested too deeply, skipped: %1</translation>
    </message>
    <message>
        <source>複製中 &apos;%1&apos;</source>
        <translation>Copying &apos;%1&apos;</translation>
    </message>
    <message>
        <source>由 &apos;%1&apos; 到 &apos;%2&apos;</source>
        <translation>From &apos;%1&apos; to &apos;%2&apos;</translation>
    </message>
    <message>
        <source>上傳中</source>
        <translation>Uploading</translation>
    </message>
    <message>
        <source>檔案完整性檢查失敗！FTP伺服器不支援 CRC！</source>
        <translation>File integrity check failed! The server does not support CRC!</translation>
    </message>
    <message>
        <source>檔案完整性檢查失敗！ 本機 CRC 檢查與遠端檔案不相符！</source>
        <translation>File integrity check failed! The local CRC does not match the remote file!</translation>
    </message>
    <message>
        <source>伺服器不接受檔案時間 %1：%2</source>
        <translation>The server did not accept the file time for %1: %2</translation>
    </message>
</context>
<context>
    <name>WizardChecks</name>
    <message>
        <source>密碼不正確！</source>
        <translation>The pass phrases do not match!</translation>
    </message>
    <message>
        <source>下列檔案已經存在，要取代它們嗎？
%1</source>
        <translation>The following files already exist. Replace them?
%1</translation>
    </message>
</context>
<context>
    <name>WizardFinish</name>
    <message>
        <source>立即連線</source>
        <translation>Connect now</translation>
    </message>
    <message>
        <source>恭喜您已經成功的新增了一個站台設定。您可以隨時到站台管理的視窗中修改這些設定值。</source>
        <translation>You have added a new site. You can change its settings at any time in the Site Manager.</translation>
    </message>
</context>
<context>
    <name>WizardPage1</name>
    <message>
        <source>站台名稱</source>
        <translation>Site name</translation>
    </message>
    <message>
        <source>請輸入一個容易記憶的站台名稱，以方便未來識別用。
例如：公司伺服器、個人網站、軟體下載站</source>
        <translation>Enter a name that is easy to remember, so you can recognize the site later.
For example: Company server, Personal website, Software downloads</translation>
    </message>
    <message>
        <source>請輸入有效的站台名稱</source>
        <translation>Enter a valid site name</translation>
    </message>
</context>
<context>
    <name>WizardPage2</name>
    <message>
        <source>主機位址</source>
        <translation>Host address</translation>
    </message>
    <message>
        <source>請輸入主機的 IP 位址或名稱，例如：ftp.example.com；另一個通訊埠寫在冒號之後（ftp.example.com:2121），SFTP 與 FTPS 站台以網址輸入（sftp://ftp.example.com）</source>
        <translation>Enter the host&apos;s IP address or name, for example ftp.example.com. Put a different port after a colon (ftp.example.com:2121), and enter SFTP and FTPS sites as URLs (sftp://ftp.example.com).</translation>
    </message>
    <message>
        <source>請輸入站台位址</source>
        <translation>Enter the site address</translation>
    </message>
    <message>
        <source>請輸入有效的FTP位址</source>
        <translation>Enter a valid FTP address</translation>
    </message>
</context>
<context>
    <name>WizardPage3</name>
    <message>
        <source>匿名存取(&amp;A)</source>
        <translation>&amp;Anonymous login</translation>
    </message>
    <message>
        <source>帳號密碼</source>
        <translation>User name and password</translation>
    </message>
    <message>
        <source>帳號：</source>
        <translation>User name:</translation>
    </message>
    <message>
        <source>密碼：</source>
        <translation>Password:</translation>
    </message>
</context>
<context>
    <name>WizardPage4</name>
    <message>
        <source>預設下載資料夾</source>
        <translation>Default download folder</translation>
    </message>
    <message>
        <source>下載的檔案將存放在這個本機資料夾。</source>
        <translation>Downloaded files are saved in this local folder.</translation>
    </message>
    <message>
        <source>選取資料夾：</source>
        <translation>Select Folder</translation>
    </message>
</context>
<context>
    <name>WizardPage5</name>
    <message>
        <source>新增至我的最愛</source>
        <translation>Add to Favorites</translation>
    </message>
    <message>
        <source>選擇站台所屬的群組或資料夾</source>
        <translation>Choose the group or folder the site belongs to</translation>
    </message>
    <message>
        <source>建立在：</source>
        <translation>Create in:</translation>
    </message>
    <message>
        <source>這個資料夾中已經有站台 &apos;%1&apos;，要以新的設定取代它嗎？</source>
        <translation>This folder already has a site named &apos;%1&apos;. Replace it with the new settings?</translation>
    </message>
</context>
<context>
    <name>WizardSheet</name>
    <message>
        <source>Zentrava Pro 連線精靈</source>
        <translation>Zentrava Pro Connection Wizard</translation>
    </message>
    <message>
        <source>連線精靈</source>
        <translation>Connection Wizard</translation>
    </message>
    <message>
        <source>無法儲存站台設定到 %1</source>
        <translation>Cannot save the site settings to %1</translation>
    </message>
</context>
<context>
    <name>ZipException</name>
    <message>
        <source>拒絕解壓縮到目的資料夾以外的項目：%1</source>
        <translation>Refused to extract an item outside the destination folder: %1</translation>
    </message>
</context>
</TS>
