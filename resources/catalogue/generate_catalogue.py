#!/usr/bin/env python3
"""Erzeugt den mitgelieferten Beispielkatalog (dba.csv, dbc.csv, dbd.csv).

Bis auf sechs sind alle Suchdienste erfunden; ihre Adressen liegen unter
reservierten Beispiel-Domains (.example, example.com/.net/.org, .test,
.invalid) und lösen nie auf. Die sechs Ausnahmen sind die echten,
öffentlichen IndexNow-Endpunkte (Spalte IndexNow=True, https-Adressen,
Bemerkung "IndexNow-Endpunkt (echter Dienst)"). Sie nehmen IndexNow-Meldungen
als JSON an, kein Formular: darum ohne Methode, ohne Anmeldeseite und ohne
Kategorie- und Feldzeilen. Damit der Katalog bei 604 Diensten bleibt (die
Auswahldatei hat 604 Bits), ersetzen sie im letzten Schritt sechs unauffällige
erfundene Dienste (siehe INDEXNOW_ENDPOINTS).

Der Generator ist deterministisch: fester Startwert, keine Abhängigkeit von
Hash-Reihenfolgen, gleiche Ausgabe bei jedem Lauf.

Aufruf:  python3 generate_catalogue.py [Zielordner]
(ohne Argument: der Ordner, in dem dieses Skript liegt)

CSV-Format (Import-Schnittstelle des Katalogs): UTF-8 ohne BOM, RFC 4180,
Komma als Trenner, LF als Zeilenende, erste Zeile mit den Feldnamen, leere
Zelle = kein Wert, Wahrheitswerte True/False, Datum als YYYY-MM-DD bzw.
YYYY-MM-DDTHH:MM:SS, Schlüssel Nr/KategorieID/FelderID ausdrücklich
angegeben, Zeilen in Speicherreihenfolge. Die letzte Spalte von dba.csv,
IndexNow, ist ein Feld dieses Programms (ältere Kataloge haben sie nicht);
Ausstehend führt das Programm selbst und steht nicht in der Datei.
"""

import csv
import io
import os
import random
import sys
import unicodedata
from collections import Counter
from datetime import date, timedelta

SEED = 20020614
ENGINE_COUNT = 604

rng = random.Random(SEED)

# ---------------------------------------------------------------------------
# Tabellenaufbau
# ---------------------------------------------------------------------------

DBA_COLUMNS = [
    "Nr", "Name", "URL", "ManuellURL", "Action", "Land", "Kategorie", "Methode",
    "Parameter1", "GeprueftAm", "IntFirmen", "Status", "NurManuell", "Bewertung",
    "AufnahmeMin", "AufnahmeMax", "KostetGeld", "AkzeptiertTypen",
    "AkzTypenSonstiges", "AkzeptiertLaender", "Ausgewaehlt", "ZuletztRegistriert",
    "CodeFuerFlagge", "Ref", "Bemerkung", "IndexNow",
]
DBC_COLUMNS = ["KategorieID", "EngineID", "KategorieNrInVindrel", "KategorieInEngine"]
DBD_COLUMNS = ["FelderID", "EngineID", "FeldNrInVindrel", "FeldNameInEngine"]

TEXT_CAPACITY = {
    "Name": 40, "URL": 100, "ManuellURL": 100, "Action": 150, "Land": 2,
    "Kategorie": 1, "Methode": 1, "Parameter1": 255, "AkzTypenSonstiges": 100,
    "AkzeptiertLaender": 20, "Bemerkung": 100, "KategorieInEngine": 90,
    "FeldNameInEngine": 100,
}
INT16_FIELDS = [
    "Status", "Bewertung", "AufnahmeMin", "AufnahmeMax", "AkzeptiertTypen",
    "CodeFuerFlagge", "KategorieNrInVindrel", "FeldNrInVindrel",
]
RESERVED_SUFFIXES = (".example", ".example.com", ".example.net", ".example.org",
                     ".test", ".invalid")

# ---------------------------------------------------------------------------
# Länder und Flaggen
# ---------------------------------------------------------------------------

# Flaggencode -> (Landeskürzel, Anzahl Dienste, Sprachgruppe der Namen)
# Die Anzahlen gelten für die erfundenen Dienste vor dem Einsetzen der
# IndexNow-Endpunkte; danach: 15 -> 140, 3 -> 6, 11 -> 3, 28 -> 13.
FLAGS = {
    0: ("", 8, "intl"),
    1: ("GB", 40, "en_gb"),
    2: ("ZA", 4, "en_za"),
    3: ("RU", 5, "ru"),
    4: ("IT", 8, "it"),
    5: ("ES", 6, "es"),
    6: ("CY", 2, "cy"),
    7: ("CA", 10, "en_ca"),
    8: ("AT", 40, "de_at"),
    9: ("BE", 5, "be"),
    10: ("JP", 4, "jp"),
    11: ("IN", 4, "en_in"),
    12: ("CH", 38, "de_ch"),
    13: ("SE", 6, "sv"),
    14: ("AU", 10, "en_au"),
    15: ("US", 141, "en_us"),
    16: ("FR", 12, "fr"),
    17: ("DE", 205, "de"),
    18: ("GR", 3, "gr"),
    19: ("NZ", 4, "en_nz"),
    20: ("BR", 4, "br"),
    21: ("NO", 4, "no"),
    22: ("IS", 2, "is"),
    23: ("FI", 4, "fi"),
    24: ("DK", 5, "dk"),
    25: ("CS", 3, "cs"),
    26: ("CN", 3, "cn"),
    27: ("NL", 12, "nl"),
    28: (None, 12, "other"),  # Sonstige Länder: Kürzel je Dienst
}
OTHER_COUNTRY_NAMES = [
    ("Szukaj Wisla", "PL"), ("Polski Katalog Bursztyn", "PL"),
    ("Magyar Linkek Duna", "HU"), ("Balaton Kereso", "HU"),
    ("Procura Lusitana", "PT"), ("Guia Atlantico", "PT"),
    ("Buscador Azteca", "MX"), ("Directorio Maya", "MX"),
    ("Pampa Links", "AR"), ("Buscador Gaucho", "AR"),
    ("Hangang Search", "KR"), ("Bosporus Links", "TR"),
    ("Karpaten Katalog", "RO"), ("Shamrock Web Guide", "IE"),
    ("Tatra Odkazy", "SK"),
]

# ---------------------------------------------------------------------------
# Echte IndexNow-Endpunkte
# ---------------------------------------------------------------------------

# Ersetzt werden sechs automatische Suchmaschinen (Art S), die in keiner der
# Sonderlisten stehen, keine Kategoriezeilen, keinen Referrer, keine festen
# Parameter und eine Bewertung über 1 haben: so bleiben die Zahl der Dienste,
# der automatischen Dienste, der Suchmaschinen und der Dienste mit Bewertung
# über 1 gleich, und keine Kategoriezeile verschiebt sich. Nur ihre
# Formularfeldzeilen fallen weg (die FelderID wird neu durchgezählt).
# Ändert sich der Generator, prüft replace_with_indexnow(), ob die Nummern
# noch solche Dienste treffen.
#
# Ein Land ohne eigenen Flaggencode steht unter 28 "Sonstige Länder" mit
# seinem Kürzel: Tschechien (CZ; 25 ist die Tschechoslowakei mit CS) und
# Korea (KR). Der gemeinsame Endpunkt leitet an alle Teilnehmer weiter; er
# steht wie Bing und Yep unter USA.
#
# (ersetzte Nr, Name, Startseite, Post-Adresse, Land, Flaggencode, Bewertung)
INDEXNOW_ENDPOINTS = [
    (17, "IndexNow (gemeinsamer Endpunkt)", "https://www.indexnow.org/",
     "https://api.indexnow.org/indexnow", "US", 15, 3),
    (23, "Bing (IndexNow)", "https://www.bing.com/",
     "https://www.bing.com/indexnow", "US", 15, 4),
    (169, "Yandex (IndexNow)", "https://yandex.com/",
     "https://yandex.com/indexnow", "RU", 3, 3),
    (380, "Seznam (IndexNow)", "https://search.seznam.cz/",
     "https://search.seznam.cz/indexnow", "CZ", 28, 3),
    (538, "Yep (IndexNow)", "https://yep.com/",
     "https://indexnow.yep.com/indexnow", "US", 15, 3),
    (587, "Naver (IndexNow)", "https://searchadvisor.naver.com/",
     "https://searchadvisor.naver.com/indexnow", "KR", 28, 3),
]
INDEXNOW_CHECKED = "2026-12-10"
INDEXNOW_REMARK = "IndexNow-Endpunkt (echter Dienst)"

# ---------------------------------------------------------------------------
# Namen
# ---------------------------------------------------------------------------

DE_REGIONS = [
    "Süddeutscher", "Norddeutscher", "Westfälischer", "Bayerischer",
    "Sächsischer", "Hessischer", "Schwäbischer", "Fränkischer", "Badischer",
    "Rheinischer", "Thüringer", "Berliner", "Hamburger", "Münchner",
    "Kölner", "Bremer", "Dresdner", "Leipziger", "Stuttgarter", "Nürnberger",
    "Ostfriesischer", "Pfälzer", "Allgäuer", "Märkischer", "Mecklenburger",
    "Saarländer", "Emsländer", "Vogtländer", "Harzer", "Eifeler",
    "Bodensee-", "Ruhrgebiets-", "Niederrheinischer", "Oberlausitzer",
    "Schleswiger", "Altmärker", "Sauerländer", "Spessart-", "Odenwälder",
    "Hunsrücker",
]
AT_REGIONS = [
    "Wiener", "Grazer", "Salzburger", "Tiroler", "Kärntner", "Steirischer",
    "Linzer", "Vorarlberger", "Burgenländischer", "Innsbrucker",
    "Mühlviertler", "Waldviertler", "Wachauer", "Donau-", "Alpen-",
]
CH_REGIONS = [
    "Zürcher", "Berner", "Basler", "Luzerner", "Aargauer", "Bündner",
    "St. Galler", "Thurgauer", "Walliser", "Innerschweizer", "Emmentaler",
    "Zuger", "Glarner", "Tessiner", "Eidgenössischer",
]
DE_REGION_NOUNS = [
    "Webkatalog", "Linkverzeichnis", "Branchenbuch", "Suchdienst",
    "Webführer", "Linkliste", "Internetkatalog", "Firmenverzeichnis",
    "Netzkatalog", "Seitenführer", "Webindex", "Linkführer",
]
DE_THEMES = [
    "Bücherwurm", "Gartenfreund", "Reiselust", "Autoschrauber", "Feinschmecker",
    "Tierfreunde", "Sportfan", "Musikus", "Kinderseiten", "Seniorennetz",
    "Gesundheit", "Handwerker", "Weinkenner", "Schnäppchen", "Ferienhaus",
    "Wanderfreund", "Fotografen", "Computerecke", "Heimwerker", "Angler",
    "Segler", "Radler", "Reiterhof", "Golfer", "Briefmarken", "Modellbau",
    "Oldtimer", "Kräutergarten", "Küchenchef", "Hochzeits", "Brautmoden",
    "Aquarien", "Campingplatz", "Skihütte", "Kunsthandwerk", "Antiquitäten",
    "Immobilien", "Jobbörse", "Vereins", "Schul", "Studenten", "Ärzte",
    "Apotheken", "Anwalts", "Handwerks", "Gastro", "Hotel", "Pensionen",
    "Bauernhof", "Pferdefreunde", "Hundefreunde", "Katzenfreunde", "Vogelfreunde",
    "Eisenbahn", "Burgen", "Schlösser", "Museen", "Theater", "Kirchen",
    "Freizeitpark", "Schwimmbad", "Bücherstube", "Spielwaren", "Möbel",
]
DE_THEME_SUFFIXES = [
    "-Suche", "-Verzeichnis", "-Katalog", "-Linkliste", "-Portal", "-Finder",
    "-Führer", "-Index", "-Links",
]
DE_BRAND_PRE = [
    "Such", "Find", "Web", "Netz", "Link", "Seiten", "Klick", "Spür",
    "Blitz", "Turbo", "Kreuz", "Stöber", "Schnüffel", "Hurtig", "Flink",
    "Fix", "Pfad", "Wege", "Ziel", "Fund", "Lotsen", "Späh",
]
DE_BRAND_SUF = [
    "fix", "blitz", "hund", "nase", "maus", "fuchs", "spatz", "igel",
    "dackel", "eule", "kompass", "lotse", "pilot", "scout", "falke",
    "rakete", "biene", "frosch", "wurm", "luchs", "marder", "dachs",
    "kiebitz", "specht", "wiesel", "käfer", "grille", "star", "rabe",
]
DE_BRAND_TAILS = [
    "Katalog", "Suchdienst", "Verzeichnis", "Webkatalog", "Suche",
    "Linkdienst", "Branchen", "Webführer",
]
DE_NEUTER_ADJ = [
    "Kleines", "Großes", "Freies", "Buntes", "Feines", "Grünes", "Schnelles",
    "Neues", "Praktisches", "Handliches", "Sonniges", "Ehrliches",
    "Junges", "Fleißiges", "Ordentliches",
]
DE_NEUTER_NOUNS = [
    "Webverzeichnis", "Linkverzeichnis", "Branchenbuch", "Suchportal",
    "Netzregister", "Seitenregister", "Linkregister", "Webregister",
]

EN_ADJ = [
    "Blue", "Golden", "Silver", "Little", "Big", "Swift", "Bright", "Royal",
    "Global", "Pacific", "Atlantic", "Prairie", "Crystal", "Amber", "Copper",
    "Quick", "Clever", "Friendly", "Happy", "Lucky", "Shiny", "Quiet",
    "Sunny", "Velvet", "Iron", "Emerald", "Scarlet", "Cobalt", "Ivory",
    "Sapphire", "Nimble", "Humble", "Steady", "Honest",
]
EN_NOUNS = [
    "Directory", "Links", "Web Guide", "Search", "Index", "Finder", "Pages",
    "Listings", "Catalog", "Link List", "Web Index", "Net Guide", "Portal",
    "Site Finder", "Link Depot", "Resource Guide",
]
EN_BRAND_PRE = [
    "Seek", "Find", "Hunt", "Scout", "Quest", "Trawl", "Probe", "Spot",
    "Dig", "Rover", "Surf", "Track", "Trail", "Sift", "Sniff", "Glean",
    "Fetch", "Browse", "Roam", "Peek",
]
EN_BRAND_SUF = [
    "Zone", "Hub", "Base", "World", "Point", "Star", "Wave", "Stream",
    "Nest", "Deck", "Harbor", "Lane", "Line", "Works", "Box", "Dock",
    "Yard", "Spire", "Field", "Gate", "Matic", "Wise", "Ville",
]
EN_PLACES = {
    "en_us": ["Bay Area", "Lakeside", "Riverside", "Hilltop", "Seaside",
              "Sunset", "Liberty", "Frontier", "Bluegrass", "Lone Star",
              "Evergreen", "Cascade", "Redwood", "Granite", "Desert",
              "Heartland", "Midwest", "Gulf Coast", "Mesa", "Canyon",
              "Ozark", "Appalachian", "Dixie", "Yankee", "Bayou"],
    "en_gb": ["Thames", "Albion", "Highland", "Cornish", "Yorkshire",
              "Pennine", "Cotswold", "Britannia", "Lakeland", "Cheshire",
              "Kentish", "Welsh Valley", "Clyde", "Mersey", "Tyneside",
              "Severn", "Norfolk Broads", "Dales", "Fenland", "Channel"],
    "en_ca": ["Maple", "Beaver", "Caribou", "Yukon", "Prairie Sky",
              "Rocky Mountain", "Great Lakes", "Hudson Bay", "Klondike",
              "Timber"],
    "en_au": ["Outback", "Koala", "Wattle", "Kookaburra", "Down Under",
              "Billabong", "Eucalypt", "Coral Sea", "Wombat", "Uluru"],
    "en_nz": ["Kiwi", "Tui", "Fern", "Southern Alps", "Pohutukawa"],
    "en_za": ["Springbok", "Protea", "Kalahari", "Table Mountain", "Baobab"],
    "en_in": ["Lotus", "Ganges", "Masala", "Monsoon", "Himalaya"],
}

LOCAL_NAMES = {
    "fr": ["Annuaire Soleil", "Annuaire Provence", "Bretagne Recherche",
           "Le Guide Étoile", "Hexagone Liens", "Lumière Annuaire",
           "Trouvetout", "Cigale Recherche", "Mistral Annuaire",
           "Azur Liens", "Lutèce Répertoire", "Le Chercheur Futé",
           "Annuaire Camembert", "Répertoire Gascogne", "Loire Liens",
           "Alsace Répertoire"],
    "it": ["CercaSole", "TrovaGondola", "Motore Vespa", "Toscana Link",
           "Piazza Ricerca", "Lince Italia", "Aquila Cerca",
           "Catalogo Amalfi", "Trova Pinocchio", "CercaPiazza",
           "Gelato Link"],
    "es": ["Buscador Toro", "Directorio Iberia", "Castilla Enlaces",
           "Mirador Buscador", "Faro Directorio", "Brújula Web",
           "Buscador Paella", "Enlaces Andalucía"],
    "br": ["Busca Tucano", "Guia Carioca", "Ipanema Links",
           "Amazonas Busca", "Guia Sabiá"],
    "nl": ["ZoekMolen", "Tulp Gids", "Klomp Zoeker", "Polder Links",
           "De Wegwijzer", "Dijk Index", "ZoekNou", "Gouda Gids",
           "Grachten Zoeker", "Fietspad Links", "Hollandse Linkbank",
           "Zeeuwse Gids", "Kaaskop Zoeker", "Delfts Blauw Index"],
    "be": ["Belgische Gids", "Annuaire Wallon", "Ardennes Liens",
           "Vlaamse Zoeker", "Frites Index", "Brugse Linkbank"],
    "sv": ["Sök Älgen", "Fjäll Länkar", "Skärgård Katalog",
           "Norrsken Sök", "Dalahäst Länkar", "Midsommar Index",
           "Lingon Katalog"],
    "no": ["Søk Fjord", "Troll Lenker", "Vikinghavn Katalog",
           "Nordkapp Søk", "Lofoten Lenker"],
    "dk": ["Søg Havfrue", "Klit Links", "Bølge Katalog", "Jyllands Søg",
           "Smørrebrød Links", "Fyns Katalog"],
    "fi": ["HakuKuusi", "Järvi Linkit", "Sauna Haku", "Revontuli Hakemisto",
           "Poro Linkit"],
    "is": ["Leita Geysir", "Hekla Tenglar", "Jökull Leit"],
    "ru": ["Poisk Volga", "Taiga Katalog", "Sputnik Ssylki",
           "Samowar Poisk", "Matrjoschka Links", "Newa Katalog"],
    "jp": ["Sakura Search", "Fuji Index", "Tokyo Navi Links",
           "Kirin Directory", "Origami Links"],
    "cn": ["Dragon Search", "Panda Links", "Great Wall Index", "Jade Directory"],
    "gr": ["Hellas Links", "Olymp Index", "Akropolis Katalogos",
           "Aegean Search"],
    "cy": ["Aphrodite Links", "Zypern-Katalog", "Troodos Directory"],
    "cs": ["Hledej Moldau", "Praha Katalog", "Zlatá Praha Odkazy",
           "Budweis Links"],
    "intl": ["Mondial Index", "Terra Incognita Search", "Omnivox Directory",
             "Polyglott Linkbörse", "Weltweit Finder", "Esperanto Indekso",
             "Kosmopolit Links", "Globetrotter Katalog", "Interlink Atlas",
             "Meridian Search", "Äquator Suche"],
}


def de_name(group):
    style = rng.random()
    if group == "de_at":
        regions = AT_REGIONS
    elif group == "de_ch":
        regions = CH_REGIONS
    else:
        regions = DE_REGIONS
    if style < 0.30:
        region = rng.choice(regions)
        noun = rng.choice(DE_REGION_NOUNS)
        if region.endswith("-"):
            return region + noun
        return region + " " + noun
    if style < 0.55:
        return rng.choice(DE_THEMES) + rng.choice(DE_THEME_SUFFIXES)
    if style < 0.80:
        pre = rng.choice(DE_BRAND_PRE)
        suf = rng.choice(DE_BRAND_SUF)
        brand = pre + suf
        if rng.random() < 0.45:
            return brand + " " + rng.choice(DE_BRAND_TAILS)
        return brand
    if style < 0.92:
        return rng.choice(DE_NEUTER_ADJ) + " " + rng.choice(DE_NEUTER_NOUNS)
    # Marken mit Landeskennung
    pre = rng.choice(DE_BRAND_PRE)
    suf = rng.choice(DE_BRAND_SUF)
    tag = {"de_at": "Austria", "de_ch": "Schweiz"}.get(group, "Deutschland")
    return pre + suf + " " + tag


def en_name(group):
    style = rng.random()
    if style < 0.35:
        return rng.choice(EN_PLACES[group]) + " " + rng.choice(EN_NOUNS)
    if style < 0.65:
        return rng.choice(EN_ADJ) + " " + rng.choice(EN_NOUNS)
    brand = rng.choice(EN_BRAND_PRE) + rng.choice(EN_BRAND_SUF)
    if rng.random() < 0.3:
        return brand + " " + rng.choice(["Directory", "Search", "Links", "Index"])
    return brand


# ---------------------------------------------------------------------------
# Adressen
# ---------------------------------------------------------------------------

TRANSLIT = {"ä": "ae", "ö": "oe", "ü": "ue", "Ä": "ae", "Ö": "oe", "Ü": "ue",
            "ß": "ss", "ø": "oe", "Ø": "oe", "æ": "ae", "Æ": "ae",
            "å": "aa", "Å": "aa"}


def slugify(name):
    text = "".join(TRANSLIT.get(c, c) for c in name)
    text = unicodedata.normalize("NFKD", text)
    text = "".join(c for c in text if not unicodedata.combining(c))
    out = []
    for c in text.lower():
        if c.isascii() and c.isalnum():
            out.append(c)
        else:
            out.append("-")
    slug = "-".join(part for part in "".join(out).split("-") if part)
    return slug[:40].strip("-")


GERMAN_LANG_GROUPS = {"de", "de_at", "de_ch"}

MANUAL_PAGES_DE = ["anmelden.html", "eintragen.php", "anmeldung/", "neu.html",
                   "eintrag.htm", "seite-anmelden.html", "cgi-bin/anmelden.cgi",
                   "formular.html", "url-eintragen.php3", "anmelden.shtml"]
MANUAL_PAGES_EN = ["submit.html", "add.html", "addurl.html", "suggest.php",
                   "add_url.htm", "submit/", "addsite.shtml", "listing.html",
                   "cgi-bin/add.cgi", "new-site.html"]
ACTIONS = ["cgi-bin/add.cgi", "cgi-bin/addurl.pl", "submit.php", "eintragen.php3",
           "scripts/add.asp", "cgi-bin/links/add.cgi", "php/neu.php",
           "cgi-bin/submit.pl", "add.php", "cgi-bin/anmelden.cgi",
           "cgi-bin/eintrag.pl", "servlet/AddUrl", "cgi/save.cgi",
           "anmeldung/speichern.php", "addurl.asp", "cgi-bin/dir/register.cgi"]


def make_host(slug, used_hosts):
    r = rng.random()
    if r < 0.58:
        host = "www." + slug + ".example"
    elif r < 0.72:
        host = slug + ".example"
    elif r < 0.80:
        host = "www." + slug + ".example.com"
    elif r < 0.86:
        host = slug + ".example.net"
    elif r < 0.92:
        host = "www." + slug + ".example.org"
    elif r < 0.98:
        host = "www." + slug + ".test"
    else:
        host = slug + ".invalid"
    base = host
    n = 2
    while host in used_hosts:
        host = base.replace(slug, slug + str(n), 1)
        n += 1
    used_hosts.add(host)
    return host


# ---------------------------------------------------------------------------
# Kategorien (Nummern 1..147 der eigenen Kategorienliste)
# ---------------------------------------------------------------------------

CATEGORY_ITEMS = [
    "Allgemeine Konsumgüter (General Merchandise)", "Architektur (Architecture)",
    "Audio (Audio)", "Auktionen (Auctions)", "Bauwesen (Construction)",
    "Beerdigungen (Funerals)", "Behinderungen (Disabilities)", "Bekleidung (Apparel)",
    "Beratung (Consulting)",
    "Bergbau- und Mineralforschung (Mining and Mineral Exploration)",
    "Beschäftigung (Employment)", "Bildherstellung (Imaging)", "Bildung (Education)",
    "Biomedizin (Biomedicine)", "Blumen (Flowers)", "Bücher (Books)",
    "Bürobedarf (Office Supplies and Services)", "Chemische Produkte (Chemicals)",
    None,
    "Computer/Beratung (Consulting)", "Computer/Bücher (Booksellers)",
    "Computer/Dienstleistungen (Services)", "Computer/Einzelhändler (Retailers)",
    "Computer/Hardware (Hardware)", "Computer/Internet (Internet)",
    "Computer/Multimedia (Multimedia)",
    "Computer/Netzwerke (Communications and Networking)",
    "Computer/Sicherheit (Security)",
    None,
    "Computer/Software/Benutzerdefinierte Programmierung (Custom Programming)",
    "Computer/Software/Beratung (Consulting)",
    "Computer/Software/Betriebssysteme (Operating Systems)",
    "Computer/Software/Bildung (Educational)",
    "Computer/Software/Branchenspezifisch (Industry Specific)",
    "Computer/Software/Datenbanken (Databases)",
    "Computer/Software/Datenumwandlung (Data Conversion)",
    "Computer/Software/Desktop Publishing (Desktop Publishing)",
    "Computer/Software/Einzelhändler (Retailers)",
    "Computer/Software/Finanzdienste (Financial)",
    "Computer/Software/Geschäftsbereich (Business)",
    "Computer/Software/Gesellschaft und Soziales (Society and Culture)",
    "Computer/Software/Grafik (Graphics)", "Computer/Software/Internet (Internet)",
    "Computer/Software/Kinder (Children)",
    "Computer/Software/Kommunikation und Netzwerke (Communications and Networking)",
    "Computer/Software/Künstliche Intelligenz (Artificial Intelligence)",
    "Computer/Software/Lizenzierung (Licensing)",
    "Computer/Software/Multimedia (Multimedia)",
    "Computer/Software/Navigation (Navigation)",
    "Computer/Software/Persönliche Gesundheit (Health)",
    "Computer/Software/Persönliche Informationsverwaltung (Personal Information Management)",
    "Computer/Software/Programmierwerkzeuge (Programming Tools)",
    "Computer/Software/Schulung (Training)", "Computer/Software/Spiele (Games)",
    "Computer/Software/Sport und Freizeit (Recreation and Sports)",
    "Computer/Software/Sprachen (Localization)",
    "Computer/Software/Stammbaumforschung (Genealogy)",
    "Computer/Software/Stimmerkennung (Voice Recognition)",
    "Computer/Software/Systeme und Dienstprogramme (System Utilities)",
    "Computer/Software/Unterhaltung (Entertainment)",
    "Computer/Software/Verzeichnisse (Directories)",
    "Computer/Software/Virtual Reality (Virtual Reality)",
    "Computer/Software/Wissenschaftlich (Scientific)",
    "Computer/Verzeichnisse (Directories)", "Computer/Zeitschriften (Media)",
    "Computer/Zubehör (Accessories)", "Design (Design)",
    "Dienstleistungen für Firmen (Corporate Services)", "Drucken (Printing)",
    "Einkaufszentren (Shopping Centers)", "Einzelhändler (Retailers)",
    "Elektronik (Electronics)", "Energie (Energy)", "Ergonomie (Ergonomics)",
    "Finanzdienste (Financial Services)",
    "Forschung und Entwicklung (Research and Development)",
    "Fotografie (Photography)", "Frachtverkehr (Miscellaneous)",
    "Franchise (Franchises)", "Frauen (Miscellaneous)", "Gastronomie (Miscellaneous)",
    "Geschäftsmöglichkeiten (Miscellaneous)", "Geschenke (Gifts)",
    "Gesundheit (Health)", "Getränke (Beverages)", "Handel (Trade)",
    "Haus und Garten (Home and Garden)", "Hobbies (Hobbies)",
    "Hochzeiten (Miscellaneous)", "Im Freien (Outdoors)", "Immobilien (Real Estate)",
    "Industriegüter (Industrial Supplies)", "Information (Information)",
    "Ingenieurwesen (Engineering)", "Internet-Dienste (Internet Services)",
    "Kataloge (Catalogs)", "Kinder (Children)",
    "Kommunikations- und Mediendienste (Communications and Media Services)",
    "Körperpflege (Personal Care)", "Kraftfahrzeuge (Automotive)",
    "Kunst und Handwerk (Arts and Crafts)", "Lagerhaltung (Storage)",
    "Landwirtschaft (Agriculture)", "Luftfahrt (Aviation)", "Marketing (Marketing)",
    "Musik (Music)", "Nachrichten und Medien (News and Media)",
    "Nahrungsmittel (Food)", "Navigation (Navigation)",
    "Notdienste (Emergency Services)",
    None,
    "Paranormale Phänomene (Paranormal Phenomena)", "Partys (Party Supplies)",
    "Persönliches (Miscellaneous)", "Politik und Verwaltung (Government)",
    "Produktion (Manufacturing)", "Qualität (Quality)", "Raumfahrt (Aerospace)",
    "Recht (Law)", "Reinigung (Cleaning)", "Reisen (Travel)",
    "Religion (Religion and Spirituality)", "Schmuck (Jewelry)",
    "Senioren (Miscellaneous)", "Sex (Sex)", "Sicherheit (Security)",
    "Spiele (Games)", "Spielzeug (Toys)", "Sport (Sports)",
    "Sprengstoffe (Explosives)",
    None,
    "Telekommunikation (Telecommunications)", "Tiere (Animals)",
    "Transport (Transportation)", "Umwelt (Environment)",
    "Unterhaltung (Entertainment)", "Verkaufsautomaten (Vending Machines)",
    "Verlagswesen (Publishing)", "Verpackungen (Packaging)",
    "Versicherungen (Insurance)",
    "Versorgungsbetriebe (Retail Management Supplies and Services)",
    "Verzeichnisse (Directories)", "Waffen (Weapons)", "Werbung (Advertising)",
    "Wetterbericht (Weather)", "Wissenschaften (Scientific)",
    "",  # 147: das Element mit einem einzelnen Leerzeichen
]
assert len(CATEGORY_ITEMS) == 147
SEPARATORS = {19, 29, 111, 131}
BLANK_ITEM = 147


def split_item(number):
    """(deutscher Pfad, englischer Name) eines Listeneintrags."""
    item = CATEGORY_ITEMS[number - 1]
    de, en = item.rsplit(" (", 1)
    return de, en[:-1]


# Gröbere, "redaktionelle" Rubriknamen einiger Kataloge
DE_RICH = {
    13: "Bildung & Schule", 16: "Literatur & Bücher", 71: "Shopping & Handel",
    75: "Wirtschaft & Finanzen", 84: "Gesundheit & Medizin",
    87: "Haus & Garten", 88: "Freizeit & Hobby", 91: "Immobilien & Wohnen",
    100: "Auto & Motor", 106: "Musik & Konzerte", 107: "Nachrichten & Medien",
    115: "Staat & Politik", 119: "Recht & Gesetz", 121: "Reisen & Touristik",
    122: "Religion & Glaube", 129: "Sport & Freizeit", 133: "Tiere & Natur",
    136: "Unterhaltung & Kultur", 146: "Wissenschaft & Forschung",
    11: "Jobs & Karriere", 105: "Marketing & Werbung", 144: "Marketing & Werbung",
    81: "Essen & Trinken", 108: "Essen & Trinken", 85: "Essen & Trinken",
}
EN_RICH = {
    75: "Business/Finance", 121: "Recreation/Travel", 84: "Health/Medicine",
    129: "Sports/Recreation", 91: "Business/Real Estate", 13: "Reference/Education",
    107: "News/Media", 106: "Arts/Music", 136: "Arts/Entertainment",
    115: "Government/Politics", 119: "Government/Law", 100: "Recreation/Autos",
    88: "Recreation/Hobbies", 133: "Recreation/Pets", 146: "Science",
    71: "Shopping", 16: "Shopping/Books", 11: "Business/Employment",
}


def category_text(style, number, ctx):
    if number == 0:
        return ctx["zero_text"]
    if number in SEPARATORS:
        return ctx["other_text"]
    if number == BLANK_ITEM:
        return ctx["other_text"]
    de, en = split_item(number)
    if style == "de_path":
        return de.replace("/", " > ")
    if style == "de_slash":
        return de
    if style == "de_rich":
        if number in DE_RICH:
            return DE_RICH[number]
        if de.startswith("Computer/Software/"):
            return "Computer & Internet > Software"
        if de.startswith("Computer/"):
            return "Computer & Internet > " + de.split("/", 1)[1]
        return de
    if style in ("en_slash", "en_path", "en_rich"):
        if style == "en_rich" and number in EN_RICH:
            return EN_RICH[number]
        parts = de.split("/")
        if parts[0] == "Computer":
            prefix = ["Computers"] + (["Software"] if len(parts) > 2 else [])
            path = prefix + [en]
        else:
            path = [en]
        return (" > " if style == "en_path" else "/").join(path)
    if style == "numeric":
        return str(ctx["numeric_base"] + number * ctx["numeric_step"])
    if style == "code":
        return ctx["code_prefix"] + "%03d" % number
    raise ValueError(style)


# ---------------------------------------------------------------------------
# Formularfelder (Feldnummern 1..46)
# ---------------------------------------------------------------------------

EN_FIELDS = {
    1: "title", 2: "url", 3: "keywords", 4: "description", 5: "language",
    6: "sitetype", 7: "category", 8: "firstname", 9: "lastname",
    10: "salutation", 11: "ptitle", 12: "company", 13: "email",
    14: "password", 15: "wm_email", 16: "state", 17: "country",
    18: "address", 19: "zip", 20: "city", 21: "phone", 22: "fax",
    23: "mobile", 24: "tollfree", 25: "products", 26: "age", 27: "gender",
    28: "name", 29: "contact", 30: "webmaster", 46: "shortdesc",
}
EN_FIELDS.update({30 + i: "kw%d" % i for i in range(1, 16)})
EN_SHORT = dict(EN_FIELDS)
EN_SHORT.update({1: "t", 2: "u", 3: "kw", 4: "desc", 7: "cat", 13: "mail",
                 15: "wmail", 28: "n", 46: "sdesc", 17: "ctry", 19: "zip"})
DE_FIELDS = {
    1: "Titel", 2: "URL", 3: "Stichworte", 4: "Beschreibung", 5: "Sprache",
    6: "Seitentyp", 7: "Rubrik", 8: "Vorname", 9: "Nachname", 10: "Anrede",
    11: "AkadTitel", 12: "Firma", 13: "EMail", 14: "Passwort",
    15: "WebmasterMail", 16: "Bundesland", 17: "Land", 18: "Strasse",
    19: "PLZ", 20: "Ort", 21: "Telefon", 22: "Fax", 23: "Handy",
    24: "Freecall", 25: "Produkte", 26: "Alter", 27: "Geschlecht",
    28: "Name", 29: "Ansprechpartner", 30: "Webmaster", 46: "Kurzbeschreibung",
}
DE_FIELDS.update({30 + i: "Suchwort%d" % i for i in range(1, 16)})
DE_ALT = dict(DE_FIELDS)
DE_ALT.update({3: "Suchbegriffe", 7: "Kategorie", 13: "Mail", 4: "Text",
               28: "Absender", 2: "Adresse"})
LANG_FIELDS = {
    "fr": {1: "titre", 3: "mots_cles", 4: "description", 7: "categorie",
           13: "courriel", 28: "nom", 9: "nom", 8: "prenom", 20: "ville",
           17: "pays", 5: "langue"},
    "it": {1: "titolo", 3: "parole", 4: "descrizione", 7: "categoria",
           13: "email", 28: "nome", 20: "citta", 17: "paese"},
    "es": {1: "titulo", 3: "palabras", 4: "descripcion", 7: "categoria",
           13: "correo", 28: "nombre", 20: "ciudad", 17: "pais"},
    "br": {1: "titulo", 3: "palavras", 4: "descricao", 7: "categoria",
           13: "email", 28: "nome"},
    "nl": {1: "titel", 3: "trefwoorden", 4: "omschrijving", 7: "rubriek",
           13: "email", 28: "naam", 20: "plaats"},
    "sv": {1: "titel", 3: "sokord", 4: "beskrivning", 7: "kategori",
           13: "epost", 28: "namn"},
    "no": {1: "tittel", 3: "stikkord", 4: "beskrivelse", 7: "kategori",
           13: "epost", 28: "navn"},
    "dk": {1: "titel", 3: "soegeord", 4: "beskrivelse", 7: "kategori",
           13: "email", 28: "navn"},
    "fi": {1: "otsikko", 3: "hakusanat", 4: "kuvaus", 7: "kategoria",
           13: "sahkoposti", 28: "nimi"},
}

FIELD_COMMENTS = ["Pflichtfeld", "required", "optional", "Feld im Formular unten",
                  "Eingabefeld", "Hidden-Feld"]
FIELD_COMMENTS_BY_NUMBER = {
    2: ["mit http://", "nur Startseite"],
    3: ["Komma-getrennt", "max. 10 Begriffe"],
    4: ["max. 200 Zeichen", "Text ohne HTML", "max 25 words"],
    46: ["max. 60 Zeichen"],
    13: ["wird nicht veröffentlicht", "Bestätigungsmail"],
    15: ["wird nicht veröffentlicht"],
    7: ["Auswahlliste", "select box"],
    14: ["für spätere Änderungen"],
}

# Formularfelder ohne Bezug zur Site-Beschreibung: Name;fester Wert
FIXED_FIELDS = [
    "submit;Eintragen", "agb;ja", "B1;Absenden", "action;add", "lang;de",
    "newsletter;nein", "Submit;Submit", "confirm;1", "mode;neu", "ok;OK",
    "step;2", "terms;accepted", "send;Abschicken", "rules;on",
    "typ;kostenlos", "partner;0", "submit;Add URL", "do;save",
]
FIXED_NUMBERS = [0, 0, 0, 47, 47, 48, 50, 50, 99, 99, 100, 200]

PARAMETER1_VALUES = [
    "lang=de&src=pelvaro", "action=add", "mode=submit&lang=de", "cmd=neu",
    "sprache=de&typ=1", "do=addurl", "page=add&step=2", "op=save",
    "func=eintragen", "lang=en", "ref=pv&id=0", "aktion=anmelden&kat=0",
    "new=1", "section=links&task=add",
]

REMARKS = [
    "Eintrag wird redaktionell geprüft.",
    "Nur deutschsprachige Seiten.",
    "Bestätigung per E-Mail erforderlich.",
    "Aufnahme kann mehrere Wochen dauern.",
    "Nimmt nur Seiten mit \"Impressum\" auf.",
    "Keine Erotik, keine Glücksspiele.",
    "Anmeldung nur einmal pro Domain, sonst Sperre.",
    "Rückmeldung erfolgt per E-Mail, meist innerhalb einer Woche.",
    "Regionale Seiten bevorzugt.",
    "Bitte Beschreibung ohne Werbesprüche.",
    "Linkpartnerschaft erwünscht.",
    "Formular verlangt ein Passwort für spätere Änderungen.",
    "Nur Startseiten, keine Unterseiten.",
    "Kostenloser Grundeintrag, Premium-Eintrag gegen Gebühr.",
    "Englischsprachige Beschreibung empfohlen.",
    "Seit 2001 mit neuem Formular.",
]
OTHER_TYPES = ["Private Homepages", "nur deutschsprachige Seiten",
               "keine Erotik", "Vereine, Schulen", "Firmenseiten",
               "Online-Shops", "nur Startseiten"]
COUNTRY_LISTS = ["alle", "alle", "alle", "weltweit", "weltweit", "EU", "",
                 "", "nur Inland", "US,CA", "GB,IE", "AU,NZ"]


# ---------------------------------------------------------------------------
# Erzeugung
# ---------------------------------------------------------------------------

def build_engines():
    flag_list = []
    for code in sorted(FLAGS):
        flag_list.extend([code] * FLAGS[code][1])
    assert len(flag_list) == ENGINE_COUNT, len(flag_list)
    rng.shuffle(flag_list)

    used_names = set()
    used_hosts = set()
    local_pools = {g: list(names) for g, names in sorted(LOCAL_NAMES.items())}
    for g in sorted(local_pools):
        rng.shuffle(local_pools[g])
    other_pool = list(OTHER_COUNTRY_NAMES)
    rng.shuffle(other_pool)

    engines = []
    for index, flag in enumerate(flag_list):
        nr = index + 1
        land, _, group = FLAGS[flag]
        name = None
        if group == "other":
            name, land = other_pool.pop()
        elif group in local_pools and local_pools[group]:
            name = local_pools[group].pop()
        for _ in range(1000):
            if name is not None and name not in used_names and len(name) <= 40:
                break
            if group.startswith("de"):
                name = de_name(group)
            elif group.startswith("en_"):
                name = en_name(group)
            else:
                name = en_name("en_us")
        assert name not in used_names
        used_names.add(name)

        kind_roll = rng.random()
        kind = "S" if kind_roll < 0.20 else ("V" if kind_roll < 0.83 else "A")

        slug = slugify(name)
        host = make_host(slug, used_hosts)
        german = group in GERMAN_LANG_GROUPS
        engines.append({
            "Nr": nr, "Name": name, "host": host, "group": group,
            "Land": land, "CodeFuerFlagge": flag, "Kategorie": kind,
            "german": german,
        })
    return engines


def choose_specials(engines):
    nrs = [e["Nr"] for e in engines]
    manual = sorted(rng.sample(nrs, 151))
    manual_set = set(manual)
    automatic = [n for n in nrs if n not in manual_set]

    pool = list(automatic)
    rng.shuffle(pool)

    def take(count, source):
        picked = sorted(source[:count])
        del source[:count]
        return picked

    specials = {
        "manual": manual,
        "charging_auto": take(8, pool),
        "charging_manual": sorted(rng.sample(manual, 2)),
        "no_action": take(4, pool),
        "bad_status": take(4, pool),
        "no_method": take(4, pool),
        "no_fields": take(5, pool),
        "null_selected": take(2, pool) + sorted(rng.sample(
            [n for n in manual], 1)),
        "no_semicolon": take(2, pool),
    }
    specials["null_selected"] = sorted(specials["null_selected"])
    specials["charging"] = sorted(specials["charging_auto"] +
                                  specials["charging_manual"])
    return specials


def random_date(start, end):
    span = (end - start).days
    return start + timedelta(days=rng.randrange(span + 1))


def fill_engine_rows(engines, specials):
    manual = set(specials["manual"])
    charging = set(specials["charging"])
    no_action = set(specials["no_action"])
    bad_status = specials["bad_status"]
    no_method = set(specials["no_method"])
    null_selected = set(specials["null_selected"])
    no_fields = specials["no_fields"]

    # Methode der automatischen Dienste: alle vier Schreibweisen vertreten
    methods = ["P"] * 45 + ["G"] * 30 + ["g"] * 12 + ["p"] * 13
    timed_dates = set(rng.sample([e["Nr"] for e in engines], 4))

    for e in engines:
        nr = e["Nr"]
        host = e["host"]
        is_manual = nr in manual
        pages = MANUAL_PAGES_DE if e["german"] else MANUAL_PAGES_EN
        e["URL"] = "http://" + host + "/"
        e["ManuellURL"] = "http://" + host + "/" + rng.choice(pages)
        if rng.random() < 0.15:
            action_host = "cgi." + host.split(".", 1)[1] if host.startswith("www.") \
                else "cgi." + host
        else:
            action_host = host
        e["Action"] = "http://" + action_host + "/" + rng.choice(ACTIONS)
        e["Methode"] = rng.choice(methods)
        if is_manual:
            if rng.random() < 0.5:
                e["Action"] = ""
            if rng.random() < 0.5:
                e["Methode"] = ""
        if nr in no_action:
            e["Action"] = ""
        if nr in no_method:
            e["Methode"] = ""
        e["Status"] = 0
        e["NurManuell"] = is_manual
        e["KostetGeld"] = nr in charging
        e["Parameter1"] = ""
        e["Ref"] = False
        e["Bewertung"] = rng.choices([0, 1, 2, 3, 4], weights=[15, 30, 30, 17, 8])[0]
        d = random_date(date(2000, 1, 1), date(2002, 12, 31))
        if nr in timed_dates:
            e["GeprueftAm"] = "%sT%02d:%02d:00" % (d.isoformat(),
                                                  rng.randrange(8, 19),
                                                  rng.randrange(60))
        else:
            e["GeprueftAm"] = d.isoformat()
        e["IntFirmen"] = rng.random() < 0.6
        amin = rng.choice([0, 1, 1, 2, 3, 3, 5, 7, 7, 14, 21])
        if rng.random() < 0.2:
            amax = 0
        else:
            amax = amin + rng.choice([0, 2, 4, 7, 7, 14, 21, 30, 60, 90])
        e["AufnahmeMin"] = amin
        e["AufnahmeMax"] = amax
        e["AkzeptiertTypen"] = rng.choice([0, 1, 3, 7, 15, 31, 1, 7, 31])
        e["AkzTypenSonstiges"] = rng.choice(OTHER_TYPES) if rng.random() < 0.08 else ""
        if e["german"]:
            e["AkzeptiertLaender"] = rng.choice(["alle", "DE,AT,CH", "DE,AT,CH",
                                                 "DE", "", "EU", "DE,AT"])
        else:
            e["AkzeptiertLaender"] = rng.choice(COUNTRY_LISTS)
        e["Ausgewaehlt"] = None if nr in null_selected else False
        e["ZuletztRegistriert"] = None
        e["Bemerkung"] = rng.choice(REMARKS) if rng.random() < 0.14 else ""
        e["IndexNow"] = False

    for i, nr in enumerate(bad_status):
        engines[nr - 1]["Status"] = 1 + (i % 2)
    for nr in charging:
        if engines[nr - 1]["Bemerkung"] == "":
            engines[nr - 1]["Bemerkung"] = "Eintrag kostenpflichtig, Gebühr je Jahr."

    # feste Parameter bei gut 10 % der Dienste, darunter ein Dienst ohne Feldzeilen
    nrs = [e["Nr"] for e in engines]
    param_nrs = set(rng.sample(nrs, 60))
    param_nrs.add(no_fields[0])
    for nr in sorted(param_nrs):
        engines[nr - 1]["Parameter1"] = rng.choice(PARAMETER1_VALUES)

    # einige Dienste ohne Anmeldeseite
    no_manual_url = set(rng.sample([n for n in nrs if n not in manual], 6))
    for nr in sorted(no_manual_url):
        engines[nr - 1]["ManuellURL"] = ""

    # Referrer bei rund 10 % (nur mit Anmeldeseite)
    ref_candidates = [n for n in nrs if engines[n - 1]["ManuellURL"]]
    for nr in rng.sample(ref_candidates, 60):
        engines[nr - 1]["Ref"] = True

    # alle Methoden-Schreibweisen bei vollständigen automatischen Diensten
    complete_auto = [n for n in nrs if n not in manual and n not in no_method]
    seen = {engines[n - 1]["Methode"] for n in complete_auto}
    assert {"G", "g", "P", "p"} <= seen, seen


def build_categories(engines, specials):
    manual = set(specials["manual"])
    rows = []
    styles_de = ["de_path", "de_slash", "de_rich", "de_rich", "numeric", "code"]
    styles_en = ["en_slash", "en_path", "en_rich", "en_rich", "numeric", "code"]
    all_numbers = list(range(1, 148))
    plain_numbers = [n for n in all_numbers if n not in SEPARATORS and n != BLANK_ITEM]

    # Dienste mit besonderen Kategoriezeilen (unter den Verzeichnissen)
    busy = set()
    for key in ("charging", "no_action", "bad_status", "no_method", "no_fields",
                "null_selected", "no_semicolon"):
        busy.update(specials[key])
    directories = [e["Nr"] for e in engines
                   if e["Kategorie"] == "V" and e["Nr"] not in manual
                   and e["Nr"] not in busy]
    full_maps = set(rng.sample(directories, 8))
    with_separators = sorted(full_maps)[:4]
    rest = [n for n in directories if n not in full_maps]
    zero_rows = set(rng.sample(rest, 6))
    duplicates = sorted(rng.sample([n for n in rest if n not in zero_rows], 4))
    specials["full_category_maps"] = sorted(full_maps)
    specials["category_separators"] = with_separators
    specials["category_zero"] = sorted(zero_rows)
    specials["category_duplicates"] = duplicates

    for e in engines:
        nr = e["Nr"]
        kind = e["Kategorie"]
        is_manual = nr in manual
        if nr in full_maps:
            count = 147
        elif is_manual:
            count = rng.randint(20, 60) if rng.random() < 0.15 else 0
        elif kind == "V":
            count = rng.randint(20, 90)
        elif kind == "A":
            count = rng.randint(10, 40) if rng.random() < 0.5 else 0
        else:
            count = rng.randint(20, 60) if rng.random() < 0.2 else 0
        e["has_categories"] = count > 0
        if count == 0:
            continue
        style = rng.choice(styles_de if e["german"] else styles_en)
        ctx = {
            "zero_text": rng.choice(["Allgemein", "General", "999", "Bitte wählen"]),
            "other_text": rng.choice(["Sonstiges", "Other", "-", "Verschiedenes"]),
            "numeric_base": rng.choice([100, 1000, 1200, 3000, 20000]),
            "numeric_step": rng.choice([1, 2, 7, 10]),
            "code_prefix": rng.choice(["kat_", "rub", "c", "cat"]),
        }
        if nr in full_maps:
            if nr in with_separators:
                numbers = list(all_numbers)
            else:
                numbers = list(plain_numbers)
        else:
            numbers = sorted(rng.sample(plain_numbers, min(count, len(plain_numbers))))
        if nr in zero_rows:
            numbers = [0] + numbers
        block = [(n, category_text(style, n, ctx)) for n in numbers]
        if nr in duplicates:
            # zweite Zeile für schon belegte Nummern: es gilt die erste
            for n in rng.sample([n for n in numbers if n != 0], 3):
                block.append((n, category_text(style, n, ctx) + " (alt)"))
        for n, text in block:
            rows.append([nr, n, text])

    # jede Nummer 0..147 muss irgendwo vorkommen
    present = {r[1] for r in rows}
    assert set(range(0, 148)) <= present, sorted(set(range(0, 148)) - present)
    return [[i + 1] + r for i, r in enumerate(rows)]


def field_name_map(e):
    group = e["group"]
    roll = rng.random()
    if e["german"]:
        base = dict(DE_FIELDS if roll < 0.5 else DE_ALT)
        if rng.random() < 0.35:
            base = {k: v.lower() for k, v in base.items()}
    else:
        base = dict(EN_FIELDS if roll < 0.6 else EN_SHORT)
        base.update(LANG_FIELDS.get(group, {}))
    deco = rng.random()
    if deco < 0.10:
        base = {k: "f_" + v for k, v in base.items()}
    elif deco < 0.18:
        base = {k: "eintrag[" + v + "]" for k, v in base.items()}
    elif deco < 0.24:
        base = {k: "link_" + v for k, v in base.items()}
    return base


FORM_ORDER_URL_FIRST = [2, 1, 46, 4, 3] + list(range(31, 46)) + [
    7, 5, 6, 25, 13, 15, 28, 29, 30, 10, 11, 8, 9, 12, 18, 19, 20, 16, 17,
    21, 22, 23, 24, 26, 27, 14]
FORM_ORDER_CONTACT_FIRST = [10, 11, 8, 9, 28, 29, 30, 12, 18, 19, 20, 16, 17,
                            21, 22, 23, 24, 26, 27, 13, 15, 14, 2, 1, 46, 4, 3] + \
    list(range(31, 46)) + [7, 5, 6, 25]
EXTRA_POOL = [5, 6, 10, 11, 12, 14, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25,
              26, 27, 8, 9, 29, 30] + list(range(31, 46))


def build_fields(engines, specials):
    manual = set(specials["manual"])
    no_fields = set(specials["no_fields"])
    no_semicolon = set(specials["no_semicolon"])

    plans = {}
    for e in engines:
        nr = e["Nr"]
        if nr in no_fields:
            continue
        if nr in manual and rng.random() < 0.6:
            continue
        numbers = [2]
        if rng.random() < 0.9:
            numbers.append(1)
        if rng.random() < 0.8:
            numbers.append(13 if rng.random() < 0.7 else 15)
        if rng.random() < 0.7:
            numbers.append(4 if rng.random() < 0.8 else 46)
        if rng.random() < 0.6:
            numbers.append(3)
        if e["has_categories"] and rng.random() < 0.92:
            numbers.append(7)
        elif not e["has_categories"] and rng.random() < 0.03:
            numbers.append(7)  # Rubrikfeld ohne Kategoriezeilen: bleibt leer
        if rng.random() < 0.4:
            numbers.append(rng.choice([28, 29, 30, 8]))
            if numbers[-1] == 8:
                numbers.append(9)
        for _ in range(rng.choice([0, 0, 0, 1, 1, 2, 3])):
            x = rng.choice(EXTRA_POOL)
            if x not in numbers:
                numbers.append(x)
        fixed = []
        r = rng.random()
        if r < 0.30:
            fixed.append(rng.choice(FIXED_NUMBERS))
        if r < 0.06:
            fixed.append(rng.choice(FIXED_NUMBERS))
        while len(numbers) + len(fixed) < 3:
            x = rng.choice(EXTRA_POOL + [3, 4, 13])
            if x not in numbers:
                numbers.append(x)
        while len(numbers) + len(fixed) > 12:
            numbers.pop()
        plans[nr] = {"numbers": numbers, "fixed": fixed}

    # jede Feldnummer 1..46 mindestens einmal, auf Dienste mit Platz verteilt
    used = set()
    for p in plans.values():
        used.update(p["numbers"])
    roomy = [nr for nr in sorted(plans)
             if len(plans[nr]["numbers"]) + len(plans[nr]["fixed"]) <= 9]
    for number in range(1, 47):
        if number not in used:
            for nr in rng.sample(roomy, 2):
                if number not in plans[nr]["numbers"]:
                    plans[nr]["numbers"].append(number)
            used.add(number)

    rows = []
    specials["fixed_field_rows"] = []
    specials["field_comments"] = []
    for e in engines:
        nr = e["Nr"]
        if nr not in plans:
            continue
        plan = plans[nr]
        names = field_name_map(e)
        order = FORM_ORDER_URL_FIRST if rng.random() < 0.7 else FORM_ORDER_CONTACT_FIRST
        numbers = sorted(plan["numbers"], key=order.index)
        block = []
        for n in numbers:
            text = names[n] + ";"
            if rng.random() < 0.08:
                text += rng.choice(FIELD_COMMENTS_BY_NUMBER.get(n, []) + FIELD_COMMENTS)
                specials["field_comments"].append(nr)
            block.append((n, text))
        if nr in no_semicolon:
            # Altlast im Katalog: Feldname ohne ";" (ergibt einen leeren Namen)
            i = len(block) - 1
            block[i] = (block[i][0], block[i][1].split(";", 1)[0])
        for n in plan["fixed"]:
            text = rng.choice(FIXED_FIELDS)
            if n == 0 and rng.random() < 0.5:
                block.insert(0, (n, text))
            else:
                block.append((n, text))
            specials["fixed_field_rows"].append(nr)
        for n, text in block:
            rows.append([nr, n, text])

    specials["fixed_field_rows"] = sorted(set(specials["fixed_field_rows"]))
    specials["field_comments"] = sorted(set(specials["field_comments"]))
    return [[i + 1] + r for i, r in enumerate(rows)]


def replace_with_indexnow(engines, specials, cat_rows, field_rows):
    """Setzt die echten IndexNow-Endpunkte an die Stelle der ausgesuchten
    erfundenen Dienste. Gibt Kategorie- und Feldzeilen ohne die Zeilen der
    ersetzten Dienste zurück, die Schlüssel lückenlos neu durchgezählt."""
    replaced = [entry[0] for entry in INDEXNOW_ENDPOINTS]
    # auch kein manueller Dienst: die Endpunkte sind automatisch
    special_nrs = set().union(*specials.values())
    for nr in replaced:
        e = engines[nr - 1]
        assert nr not in special_nrs, nr
        assert e["Kategorie"] == "S" and not e["has_categories"], nr
        assert not e["Ref"] and not e["Parameter1"] and e["Bewertung"] > 1, nr
        assert "T" not in e["GeprueftAm"], nr

    for nr, name, url, action, land, flag, rating in INDEXNOW_ENDPOINTS:
        engines[nr - 1].update({
            "Name": name, "URL": url, "ManuellURL": "", "Action": action,
            "Land": land, "CodeFuerFlagge": flag, "Kategorie": "S",
            # eine IndexNow-Meldung ist kein Formular: ohne Methode schickt
            # auch ein Programm ohne IndexNow nie ein Formular dorthin
            "Methode": "", "Parameter1": "", "GeprueftAm": INDEXNOW_CHECKED,
            "IntFirmen": True, "Status": 0, "NurManuell": False,
            "Bewertung": rating, "AufnahmeMin": 0, "AufnahmeMax": 0,
            "KostetGeld": False, "AkzeptiertTypen": 31, "AkzTypenSonstiges": "",
            "AkzeptiertLaender": "weltweit", "Ausgewaehlt": False,
            "ZuletztRegistriert": None, "Ref": False,
            "Bemerkung": INDEXNOW_REMARK, "IndexNow": True,
        })
    specials["indexnow"] = sorted(replaced)

    gone = set(replaced)

    def without_replaced(rows):
        kept = [r[1:] for r in rows if r[1] not in gone]
        return [[i + 1] + r for i, r in enumerate(kept)]

    return without_replaced(cat_rows), without_replaced(field_rows)


# ---------------------------------------------------------------------------
# CSV
# ---------------------------------------------------------------------------

def cell(value):
    if value is None:
        return ""
    if isinstance(value, bool):
        return "True" if value else "False"
    return str(value)


def csv_line(values):
    out = []
    for v in values:
        text = cell(v)
        if any(c in text for c in ',"\r\n'):
            text = '"' + text.replace('"', '""') + '"'
        out.append(text)
    return ",".join(out) + "\n"


def write_csv(path, columns, rows):
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(csv_line(columns))
        for row in rows:
            f.write(csv_line(row))


# ---------------------------------------------------------------------------
# Prüfung
# ---------------------------------------------------------------------------

def host_of(address, scheme="http://"):
    assert address.startswith(scheme), address
    rest = address[len(scheme):]
    return rest.split("/", 1)[0].split("?", 1)[0].lower()


def check(directory, specials):
    def read(name):
        with open(os.path.join(directory, name), "rb") as f:
            raw = f.read()
        assert not raw.startswith(b"\xef\xbb\xbf"), name + ": BOM"
        assert b"\r" not in raw, name + ": CR"
        text = raw.decode("utf-8")
        return list(csv.reader(io.StringIO(text, newline="")))

    dba = read("dba.csv")
    dbc = read("dbc.csv")
    dbd = read("dbd.csv")
    assert dba[0] == DBA_COLUMNS and dbc[0] == DBC_COLUMNS and dbd[0] == DBD_COLUMNS
    engines = [dict(zip(DBA_COLUMNS, r)) for r in dba[1:]]
    cats = [dict(zip(DBC_COLUMNS, r)) for r in dbc[1:]]
    fields = [dict(zip(DBD_COLUMNS, r)) for r in dbd[1:]]
    for table in (dba, dbc, dbd):
        assert all(len(r) == len(table[0]) for r in table)

    assert len(engines) == ENGINE_COUNT
    assert [int(e["Nr"]) for e in engines] == list(range(1, ENGINE_COUNT + 1))
    assert len({e["Name"] for e in engines}) == ENGINE_COUNT
    assert all(e["Name"] for e in engines)

    for rec in engines + cats + fields:
        for key, value in rec.items():
            value.encode("cp1252")
            if key in TEXT_CAPACITY:
                assert len(value) <= TEXT_CAPACITY[key], (key, value)
            if key in INT16_FIELDS and value != "":
                assert -32768 <= int(value) <= 32767, (key, value)

    # Echt und erfunden dürfen sich nicht verwechseln lassen: die Endpunkte
    # genau wie in der Tabelle und nur mit https, alle anderen unter
    # reservierten Domains und nur mit http.
    real = {nr: (name, url, action, land, flag, rating)
            for nr, name, url, action, land, flag, rating in INDEXNOW_ENDPOINTS}
    real_hosts = {host_of(a, "https://") for v in real.values() for a in v[1:3]}
    assert [int(e["Nr"]) for e in engines if e["IndexNow"] == "True"] == \
        specials["indexnow"] == sorted(real)
    for e in engines:
        nr = int(e["Nr"])
        if nr in real:
            name, url, action, land, flag, rating = real[nr]
            assert (e["Name"], e["URL"], e["Action"], e["Land"], e["CodeFuerFlagge"],
                    e["Bewertung"]) == (name, url, action, land, str(flag),
                                        str(rating)), e
            assert e["ManuellURL"] == "" and e["Methode"] == "" and e["Parameter1"] == ""
            assert e["Kategorie"] == "S" and e["Status"] == "0"
            assert e["NurManuell"] == e["KostetGeld"] == e["Ref"] == "False"
            assert e["GeprueftAm"] == INDEXNOW_CHECKED
            assert e["Bemerkung"] == INDEXNOW_REMARK
            continue
        assert e["IndexNow"] == "False", e
        assert e["Bemerkung"] != INDEXNOW_REMARK and "IndexNow" not in e["Name"]
        for key in ("URL", "ManuellURL", "Action"):
            if e[key]:
                h = host_of(e[key])
                assert h.endswith(RESERVED_SUFFIXES), (key, e[key])
                assert h not in real_hosts
        date.fromisoformat(e["GeprueftAm"][:10])
        assert "2000-01-01" <= e["GeprueftAm"][:10] <= "2002-12-31"

    for e in engines:
        for key in ("IntFirmen", "NurManuell", "KostetGeld", "Ref", "IndexNow"):
            assert e[key] in ("True", "False"), (key, e[key])
        assert e["Ausgewaehlt"] in ("", "False")
        assert e["ZuletztRegistriert"] == ""
        assert e["Kategorie"] in ("S", "V", "A")
        assert e["Methode"] in ("", "G", "g", "P", "p")
        assert 0 <= int(e["Bewertung"]) <= 4
        amin, amax = int(e["AufnahmeMin"]), int(e["AufnahmeMax"])
        assert amax == 0 or amax >= amin
        assert not e["Parameter1"].endswith("&")
        assert e["Ref"] == "False" or e["ManuellURL"]

    flags = Counter(int(e["CodeFuerFlagge"]) for e in engines)
    assert set(flags) == set(range(29)), flags
    land_of_flag = {code: v[0] for code, v in FLAGS.items() if v[0] is not None}
    for e in engines:
        code = int(e["CodeFuerFlagge"])
        if code in land_of_flag:
            assert e["Land"] == land_of_flag[code], e
        else:
            assert len(e["Land"]) == 2
    assert {int(e["Bewertung"]) for e in engines} == {0, 1, 2, 3, 4}
    assert {e["Methode"] for e in engines} >= {"G", "g", "P", "p"}

    ids = [int(c["KategorieID"]) for c in cats]
    assert ids == list(range(1, len(cats) + 1))
    eids = [int(c["EngineID"]) for c in cats]
    assert eids == sorted(eids) and set(eids) <= set(range(1, ENGINE_COUNT + 1))
    assert {int(c["KategorieNrInVindrel"]) for c in cats} == set(range(0, 148))
    assert all(c["KategorieInEngine"] for c in cats)

    ids = [int(f["FelderID"]) for f in fields]
    assert ids == list(range(1, len(fields) + 1))
    eids = [int(f["EngineID"]) for f in fields]
    assert eids == sorted(eids) and set(eids) <= set(range(1, ENGINE_COUNT + 1))
    numbers = {int(f["FeldNrInVindrel"]) for f in fields}
    assert set(range(1, 47)) <= numbers
    assert 0 in numbers and any(n > 46 for n in numbers)
    for f in fields:
        n = int(f["FeldNrInVindrel"])
        if n == 0 or n > 46:
            name, _, fixed = f["FeldNameInEngine"].partition(";")
            assert name and fixed, f
    assert len(cats) < 25000 and len(fields) < 6000

    # besondere Dienste
    by_nr = {int(e["Nr"]): e for e in engines}
    field_engines = Counter(eids)
    cat_engines = Counter(int(c["EngineID"]) for c in cats)
    for n in real:
        assert field_engines[n] == 0 and cat_engines[n] == 0, n
    # die Endpunkte sind automatisch, aber kein Formular: sie zählen bei den
    # Sonderfällen der Formulardienste nicht mit
    auto = [n for n, e in by_nr.items()
            if e["NurManuell"] == "False" and n not in real]
    manual = [n for n, e in by_nr.items() if e["NurManuell"] == "True"]
    assert 0.2 <= len(manual) / ENGINE_COUNT <= 0.3
    charging = [n for n, e in by_nr.items() if e["KostetGeld"] == "True"]
    assert sorted(charging) == specials["charging"] and 8 <= len(charging) <= 12
    no_action = [n for n in auto if by_nr[n]["Action"] == ""]
    bad_status = [n for n, e in by_nr.items() if e["Status"] != "0"]
    no_method = [n for n in auto if by_nr[n]["Methode"] == ""]
    assert no_action == specials["no_action"]
    assert bad_status == specials["bad_status"]
    assert no_method == specials["no_method"]
    no_field_auto = [n for n in auto if field_engines[n] == 0]
    assert no_field_auto == specials["no_fields"]
    for n in no_field_auto:
        e = by_nr[n]
        assert e["Action"] and e["Methode"] and e["Status"] == "0"
        assert e["KostetGeld"] == "False"
    for n in auto:
        if n not in no_field_auto:
            assert 3 <= field_engines[n] <= 12, (n, field_engines[n])
    null_sel = [n for n, e in by_nr.items() if e["Ausgewaehlt"] == ""]
    assert null_sel == specials["null_selected"]
    return {
        "engines": engines, "cats": cats, "fields": fields,
        "manual": manual, "flags": flags, "numbers": numbers,
    }


# ---------------------------------------------------------------------------

def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else \
        os.path.dirname(os.path.abspath(__file__))
    engines = build_engines()
    specials = choose_specials(engines)
    fill_engine_rows(engines, specials)
    cat_rows = build_categories(engines, specials)
    field_rows = build_fields(engines, specials)
    # zuletzt, damit die erfundenen Dienste genau wie bisher entstehen
    cat_rows, field_rows = replace_with_indexnow(engines, specials, cat_rows,
                                                 field_rows)

    dba_rows = [[e[c] for c in DBA_COLUMNS] for e in engines]
    write_csv(os.path.join(directory, "dba.csv"), DBA_COLUMNS, dba_rows)
    write_csv(os.path.join(directory, "dbc.csv"), DBC_COLUMNS, cat_rows)
    write_csv(os.path.join(directory, "dbd.csv"), DBD_COLUMNS, field_rows)

    result = check(directory, specials)
    engines_read = result["engines"]

    def nrs(pred):
        return [int(e["Nr"]) for e in engines_read if pred(e)]

    kinds = Counter(e["Kategorie"] for e in engines_read)
    methods = Counter(e["Methode"] or "(leer)" for e in engines_read)
    print("Suchdienste:          %d (dbc: %d Zeilen, dbd: %d Zeilen)"
          % (len(engines_read), len(result["cats"]), len(result["fields"])))
    print("nach Art:             " + ", ".join(
        "%s=%d" % (k, kinds[k]) for k in ("S", "V", "A")))
    print("nach Flagge:          " + ", ".join(
        "%d=%d" % (k, result["flags"][k]) for k in range(29)))
    print("Methode:              " + ", ".join(
        "%s=%d" % (k, methods[k]) for k in sorted(methods)))
    print("nur manuell:          %d" % len(result["manual"]))
    print("IndexNow (echt):      %s" % specials["indexnow"])
    print("kostenpflichtig:      %s" % specials["charging"])
    print("ohne Action:          %s" % specials["no_action"])
    print("Status != 0:          %s" % specials["bad_status"])
    print("ohne Methode:         %s" % specials["no_method"])
    print("ohne Feldzeilen (automatisch, vollständig): %s (mit Parameter1: %d)"
          % (specials["no_fields"], specials["no_fields"][0]))
    print("Ausgewaehlt leer:     %s" % specials["null_selected"])
    print("Feldname ohne ';':    %s" % specials["no_semicolon"])
    print("Ref:                  %d, z. B. %s"
          % (len(nrs(lambda e: e["Ref"] == "True")),
             nrs(lambda e: e["Ref"] == "True")[:8]))
    print("Parameter1:           %d, z. B. %s"
          % (len(nrs(lambda e: e["Parameter1"] != "")),
             nrs(lambda e: e["Parameter1"] != "")[:8]))
    print("ohne ManuellURL:      %s" % nrs(
        lambda e: e["ManuellURL"] == "" and e["IndexNow"] == "False"))
    print("GeprueftAm mit Zeit:  %s" % nrs(lambda e: "T" in e["GeprueftAm"]))
    print("Kategorien komplett:  %s (mit Trennlinien/Leerelement: %s)"
          % (specials["full_category_maps"], specials["category_separators"]))
    print("Kategorie Nr. 0:      %s" % specials["category_zero"])
    print("doppelte Kategorien:  %s" % specials["category_duplicates"])
    print("feste Feldwerte (0/>46), z. B.: %s" % specials["fixed_field_rows"][:8])
    covered = sorted(n for n in result["numbers"])
    print("Feldnummern:          1..46 vollständig, dazu %s"
          % [n for n in covered if n == 0 or n > 46])


if __name__ == "__main__":
    main()
