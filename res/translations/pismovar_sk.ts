<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="sk" sourcelanguage="cs">
<context>
    <name>CConverterDlg</name>
    <message>
        <source>Vstupní soubor</source>
        <translation>Vstupný súbor</translation>
    </message>
    <message>
        <source>Vybrat vstupní soubory</source>
        <translation>Vybrať vstupné súbory</translation>
    </message>
    <message>
        <source>Výstupní soubor</source>
        <translation>Výstupný súbor</translation>
    </message>
    <message>
        <source>Vybrat výstupní soubor</source>
        <translation>Vybrať výstupný súbor</translation>
    </message>
    <message>
        <source>Schránka neobsahuje žádný text.</source>
        <translation>Schránka neobsahuje žiadny text.</translation>
    </message>
    <message>
        <source>Text vypadá jako %1 přečtené jako %2 a znovu uložené; opraví ho pismovar-cli --repair.</source>
        <translation>Text vyzerá ako %1 prečítané ako %2 a znova uložené; opraví ho pismovar-cli --repair.</translation>
    </message>
    <message>
        <source>Nejistý odhad: %1 (nebo %2). Ověřte kódování.</source>
        <translation>Neistý odhad: %1 (alebo %2). Overte kódovanie.</translation>
    </message>
    <message>
        <source>Nejistý odhad: %1. Ověřte kódování.</source>
        <translation>Neistý odhad: %1. Overte kódovanie.</translation>
    </message>
    <message>
        <source>Rozpoznáno: %1 (jistota %2 %)</source>
        <translation>Rozpoznané: %1 (istota %2 %)</translation>
    </message>
    <message>
        <source>Text souboru %1 vypadá jako %2 přečtené jako %3 a znovu uložené. Opravit ho?</source>
        <translation>Text súboru %1 vyzerá ako %2 prečítané ako %3 a znova uložené. Opraviť ho?</translation>
    </message>
    <message>
        <source>Opraveno: %1 přečtené jako %2, písmen: %3.</source>
        <translation>Opravené: %1 prečítané ako %2, písmen: %3.</translation>
    </message>
    <message>
        <source>Text ve schránce vypadá jako %1 přečtené jako %2 a znovu uložené. Opravit ho?</source>
        <translation>Text v schránke vyzerá ako %1 prečítané ako %2 a znova uložené. Opraviť ho?</translation>
    </message>
</context>
<context>
    <name>CHelpDlg</name>
    <message>
        <source>Nápověda – Pismovar</source>
        <translation>Pomocník – Pismovar</translation>
    </message>
</context>
<context>
    <name>CProgressDlg</name>
    <message>
        <source>Převádím soubor %1 (%2 z %3)</source>
        <translation>Prevádzam súbor %1 (%2 z %3)</translation>
    </message>
    <message>
        <source>Převádím soubor %1</source>
        <translation>Prevádzam súbor %1</translation>
    </message>
    <message>
        <source>Ukládám převedený text na disk...</source>
        <translation>Ukladám prevedený text na disk...</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Neplatný přepínač: %1</source>
        <translation>Neplatný prepínač: %1</translation>
    </message>
</context>
<context>
    <name>ConsoleRun</name>
    <message>
        <source>Není k dispozici žádný displej (X11 ani Wayland). Bez oken program převede jen soubor zadaný s přepínači, například: pismovar /41 /00 &quot;email.txt&quot;</source>
        <translation>Nie je k dispozícii žiadny displej (X11 ani Wayland). Bez okien program prevedie iba súbor zadaný s prepínačmi, napríklad: pismovar /41 /00 &quot;email.txt&quot;</translation>
    </message>
    <message>
        <source>Bez displeje není schránka dostupná.</source>
        <translation>Bez displeja nie je schránka dostupná.</translation>
    </message>
</context>
<context>
    <name>Dialog</name>
    <message>
        <source>Informace</source>
        <translation>Informácie</translation>
    </message>
    <message>
        <source>Projekt Pismovar
Nástroje pro český text</source>
        <translation>Projekt Pismovar
Nástroje pre český text</translation>
    </message>
    <message>
        <source>Pokud se Vám program líbí, pak mi pošlete e-mail.</source>
        <translation>Ak sa Vám program páči, pošlite mi e-mail.</translation>
    </message>
    <message>
        <source>O programu Pismovar</source>
        <translation>O programe Pismovar</translation>
    </message>
    <message>
        <source>Kamenických</source>
        <translation>Kamenických</translation>
    </message>
    <message>
        <source>&amp;Vstupní soubor</source>
        <translation>&amp;Vstupný súbor</translation>
    </message>
    <message>
        <source>Výstupní &amp;soubor</source>
        <translation>Výstupný &amp;súbor</translation>
    </message>
    <message>
        <source>Pismovar 3.5.0 – konverze češtiny</source>
        <translation>Pismovar 3.5.0 – konverzia češtiny</translation>
    </message>
    <message>
        <source>Provádím konverzi souborů...</source>
        <translation>Vykonávam konverziu súborov...</translation>
    </message>
    <message>
        <source>Konverze češtiny</source>
        <translation>Konverzia češtiny</translation>
    </message>
    <message>
        <source>Průběh</source>
        <translation>Priebeh</translation>
    </message>
    <message>
        <source>Konverze češtiny mezi různými kódy.</source>
        <translation>Konverzia češtiny medzi rôznymi kódmi.</translation>
    </message>
    <message>
        <source>© 2026 projekt Pismovar</source>
        <translation>© 2026 projekt Pismovar</translation>
    </message>
    <message>
        <source>Licence GNU GPL 3.0 nebo novější</source>
        <translation>Licencia GNU GPL 3.0 alebo novšia</translation>
    </message>
    <message>
        <source>&amp;Otevřít...</source>
        <translation>&amp;Otvoriť...</translation>
    </message>
    <message>
        <source>Vstup dat ze sc&amp;hránky Windows</source>
        <translation>Vstup dát zo sc&amp;hránky</translation>
    </message>
    <message>
        <source>Kó&amp;dování</source>
        <translation>Kó&amp;dovanie</translation>
    </message>
    <message>
        <source>Konc&amp;e řádků</source>
        <translation>Konc&amp;e riadkov</translation>
    </message>
    <message>
        <source>Úplná de&amp;tekce</source>
        <translation>Úplná de&amp;tekcia</translation>
    </message>
    <message>
        <source>&amp;Uložit jako...</source>
        <translation>&amp;Uložiť ako...</translation>
    </message>
    <message>
        <source>Výstup d&amp;at do schránky Windows</source>
        <translation>Výstup dát do schránk&amp;y</translation>
    </message>
    <message>
        <source>Kódová&amp;ní</source>
        <translation>Kódova&amp;nie</translation>
    </message>
    <message>
        <source>Kon&amp;ce řádků</source>
        <translation>Kon&amp;ce riadkov</translation>
    </message>
    <message>
        <source>P&amp;roveď konverzi</source>
        <translation>Vykonaj konve&amp;rziu</translation>
    </message>
    <message>
        <source>Ná&amp;pověda</source>
        <translation>&amp;Pomocník</translation>
    </message>
    <message>
        <source>&amp;Konec</source>
        <translation>&amp;Koniec</translation>
    </message>
    <message>
        <source>&amp;Zrušit</source>
        <translation>&amp;Zrušiť</translation>
    </message>
</context>
<context>
    <name>OutcomeText</name>
    <message>
        <source>Není to obyčejný soubor, ale složka, roura nebo zařízení.</source>
        <translation>Nie je to obyčajný súbor, ale priečinok, rúra alebo zariadenie.</translation>
    </message>
    <message>
        <source>Výstupní soubor je vstupní soubor.</source>
        <translation>Výstupný súbor je vstupný súbor.</translation>
    </message>
    <message>
        <source>Jiný program soubor během konverze změnil, přesunul nebo nahradil; soubor zůstal, jak byl.</source>
        <translation>Iný program súbor počas konverzie zmenil, presunul alebo nahradil; súbor zostal, ako bol.</translation>
    </message>
    <message>
        <source>Tento soubor právě převádí jiná konverze.</source>
        <translation>Tento súbor práve prevádza iná konverzia.</translation>
    </message>
    <message>
        <source>Je to symbolický odkaz.</source>
        <translation>Je to symbolický odkaz.</translation>
    </message>
    <message>
        <source>Převedený soubor nemůže převzít vlastníka a skupinu původního; soubor zůstal, jak byl.</source>
        <translation>Prevedený súbor nemôže prevziať vlastníka a skupinu pôvodného; súbor zostal, ako bol.</translation>
    </message>
    <message>
        <source>Převedený soubor nemůže převzít přístupová práva, ACL nebo rozšířené atributy původního; soubor zůstal, jak byl.</source>
        <translation>Prevedený súbor nemôže prevziať prístupové práva, ACL ani rozšírené atribúty pôvodného; súbor zostal, ako bol.</translation>
    </message>
    <message>
        <source>Soubor: %1</source>
        <translation>Súbor: %1</translation>
    </message>
    <message>
        <source>Důvod: %1</source>
        <translation>Dôvod: %1</translation>
    </message>
    <message>
        <source>Do složky %1 nelze zapsat převedený text.</source>
        <translation>Do priečinka %1 nemožno zapísať prevedený text.</translation>
    </message>
    <message>
        <source>Nedostatek paměti; soubor zůstal, jak byl.</source>
        <translation>Nedostatok pamäte; súbor zostal, ako bol.</translation>
    </message>
</context>
<context>
    <name>QAbstractFileIconProvider</name>
    <message>
        <source>Drive</source>
        <translation>Jednotka</translation>
    </message>
    <message>
        <source>Folder</source>
        <comment>All other platforms</comment>
        <translation>Priečinok</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Uložiť</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Uložiť všetko</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Otvoriť</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Áno</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>Áno &amp;všetkým</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nie</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>N&amp;ie všetkým</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Prerušiť</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Skúsiť znova</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignorovať</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Zavrieť</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Zrušiť</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Zahodiť</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Pomocník</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Použiť</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Obnoviť</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Obnoviť predvolené</translation>
    </message>
</context>
<context>
    <name>StringTable</name>
    <message>
        <source>&amp;O programu Pismovar...</source>
        <translation>&amp;O programe Pismovar...</translation>
    </message>
    <message>
        <source>Vstupní soubor není možné otevřít!</source>
        <translation>Vstupný súbor nie je možné otvoriť!</translation>
    </message>
    <message>
        <source>Výstupní soubor není možné otevřít!</source>
        <translation>Výstupný súbor nie je možné otvoriť!</translation>
    </message>
    <message>
        <source>Detekuji kodování a konce řádků vstupního souboru.</source>
        <translation>Zisťujem kódovanie a konce riadkov vstupného súboru.</translation>
    </message>
    <message>
        <source>Detekce přerušena uživatelem po stlačení tlačítka &apos;Zrušit&apos;!</source>
        <translation>Detekcia prerušená používateľom po stlačení tlačidla &apos;Zrušiť&apos;!</translation>
    </message>
    <message>
        <source>Chyba: Nelze přejmenovat dočasný soubor Temp.tmp na 
%s!</source>
        <translation>Chyba: Nie je možné premenovať dočasný súbor Temp.tmp na 
%s!</translation>
    </message>
    <message>
        <source>Konverze přerušena uživatelem po stlačení tlačítka &apos;Zrušit&apos;!</source>
        <translation>Konverzia prerušená používateľom po stlačení tlačidla &apos;Zrušiť&apos;!</translation>
    </message>
    <message>
        <source>Textové soubory (*.txt)|*.txt|TeX/LaTeX soubory (*.tex)|*.tex|Web soubory (*.htm;*.html)|*.htm;*.html|Programy (*.c;*.cpp;*.h;*.bas)|*.c;*.cpp;*.h;*.bas|Všechny soubory (*.*)|*.*||</source>
        <translation>Textové súbory (*.txt)|*.txt|TeX/LaTeX súbory (*.tex)|*.tex|Web súbory (*.htm;*.html)|*.htm;*.html|Programy (*.c;*.cpp;*.h;*.bas)|*.c;*.cpp;*.h;*.bas|Všetky súbory (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Všechny soubory (*.*)|*.*||</source>
        <translation>Všetky súbory (*.*)|*.*||</translation>
    </message>
    <message>
        <source>Pismovar verze 3.5.0</source>
        <translation>Pismovar verzia 3.5.0</translation>
    </message>
    <message>
        <source>Soubor není možné přečíst nebo zapsat!</source>
        <translation>Súbor nie je možné prečítať alebo zapísať!</translation>
    </message>
    <message>
        <source>Text nelze převést beze ztráty znaků!</source>
        <translation>Text nie je možné previesť bez straty znakov!</translation>
    </message>
    <message>
        <source>Nahrazeno znaků: %s</source>
        <translation>Nahradených znakov: %s</translation>
    </message>
    <message>
        <source>Neplatných sekvencí UTF-8: %s, první na pozici %s</source>
        <translation>Neplatných sekvencií UTF-8: %s, prvá na pozícii %s</translation>
    </message>
    <message>
        <source>Počet znaků, pro které výstupní kódování nemá místo: %s
Byly nahrazeny podobnými znaky nebo otazníkem v souborech:
%s</source>
        <translation>Počet znakov, pre ktoré výstupné kódovanie nemá miesto: %s
Boli nahradené podobnými znakmi alebo otáznikom v súboroch:
%s</translation>
    </message>
    <message>
        <source>Parametry programu Pismovar:

%s [/ab [/cd]] [soubor... | Clipboard]
%s -h | --help | -V | --version

Kódová stránka:
a, c 	 0-Win, 1-Kam, 2-Lat, 3-ISO, 4-Mac, 5-Koi8čs, 6-ASC, 7-UTF-8

Konce řádků:
b, d 	 0-Win, 1-Mac, 2-Unix

Názvy souborů:
soubor...	 provede konverzi zadaných souborů, každého na jeho místě
Clipboard	 provede konverzi schránky

Volby:
-h, --help	 vypíše tuto nápovědu
-V, --version	 vypíše verzi programu

S přepínači program převede soubory hned a skončí s kódem 0, když převedl všechny, jinak s kódem 1.

Příklad:
%s /41 /00 email.txt
Tímto příkazem zkonvertujeme soubor email.txt z kódování Macintosh do Windows a konce řádků se převedou z Macintosh na Windows.</source>
        <translation>Parametre programu Pismovar:

%s [/ab [/cd]] [súbor... | Clipboard]
%s -h | --help | -V | --version

Kódová stránka:
a, c 	 0-Win, 1-Kam, 2-Lat, 3-ISO, 4-Mac, 5-Koi8čs, 6-ASC, 7-UTF-8

Konce riadkov:
b, d 	 0-Win, 1-Mac, 2-Unix

Názvy súborov:
súbor...	 prevedie zadané súbory, každý na jeho mieste
Clipboard	 prevedie schránku

Voľby:
-h, --help	 vypíše túto nápovedu
-V, --version	 vypíše verziu programu

S prepínačmi program prevedie súbory hneď a skončí s kódom 0, keď previedol všetky, inak s kódom 1.

Príklad:
%s /41 /00 email.txt
Týmto príkazom prevedieme súbor email.txt z kódovania Macintosh do Windows a konce riadkov sa prevedú z Macintosh na Windows.</translation>
    </message>
    <message>
        <source>Počet znaků, pro které výstupní kódování nemá místo: %s
Budou nahrazeny podobnými znaky nebo otazníkem v souborech:
%s</source>
        <translation>Počet znakov, pre ktoré výstupné kódovanie nemá miesto: %s
Budú nahradené podobnými znakmi alebo otáznikom v súboroch:
%s</translation>
    </message>
    <message>
        <source>Převést soubory přesto? Ne ponechá všechny tyto soubory, jak byly.</source>
        <translation>Previesť súbory aj tak? Nie ponechá všetky tieto súbory, ako boli.</translation>
    </message>
    <message>
        <source>Konverze přerušena, protože se program zavírá.</source>
        <translation>Konverzia prerušená, pretože sa program zatvára.</translation>
    </message>
    <message>
        <source>Převedeno souborů: %s z %s</source>
        <translation>Prevedených súborov: %s z %s</translation>
    </message>
    <message>
        <source>Tyto soubory nebyly v kódování %s a byly převedeny z kódování, které v nich program rozpoznal:
%s</source>
        <translation>Tieto súbory neboli v kódovaní %s a boli prevedené z kódovania, ktoré v nich program rozpoznal:
%s</translation>
    </message>
</context>
</TS>
