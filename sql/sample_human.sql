-- Sample data for species "human": a small signalling network around p53,
-- the EGF receptor pathway and a few others, mostly the proteins of the flat-file
-- sample in data/. Load after schema.sql.

set client_min_messages = warning;

begin;

insert into species (species_id, official_name, compact_name) values
  (9606, 'Homo sapiens', 'human'),
  (10090, 'Mus musculus', 'mouse')
on conflict do nothing;

insert into proteins (protein_id, preferred_name, annotation, species_id) values
  ('9606.ENSP00000269305', 'TP53',   'Cellular tumor antigen p53; tumour suppressor and transcription factor that halts the cell cycle or starts apoptosis after DNA damage', 9606),
  ('9606.ENSP00000258149', 'MDM2',   'E3 ubiquitin-protein ligase Mdm2; tags p53 for destruction by the proteasome and so keeps its level low in unstressed cells', 9606),
  ('9606.ENSP00000244741', 'CDKN1A', 'Cyclin-dependent kinase inhibitor 1; p21, induced by p53, blocks cyclin-CDK complexes and stops the cell in G1', 9606),
  ('9606.ENSP00000278616', 'ATM',    'Serine-protein kinase ATM; senses DNA double-strand breaks and phosphorylates checkpoint proteins including p53 and CHK2', 9606),
  ('9606.ENSP00000372023', 'CHEK2',  'Serine/threonine-protein kinase Chk2; checkpoint kinase activated by ATM that arrests the cell cycle after DNA damage', 9606),
  ('9606.ENSP00000343741', 'ATR',    'Serine/threonine-protein kinase ATR; responds to single-stranded DNA at stalled replication forks and activates CHK1', 9606),
  ('9606.ENSP00000388648', 'CHEK1',  'Serine/threonine-protein kinase Chk1; checkpoint kinase that delays mitosis while replication stress persists', 9606),
  ('9606.ENSP00000275493', 'EGFR',   'Epidermal growth factor receptor; receptor tyrosine kinase for EGF and related ligands that starts the RAS and PI3K cascades', 9606),
  ('9606.ENSP00000339007', 'GRB2',   'Growth factor receptor-bound protein 2; adaptor that joins phosphorylated receptors to the RAS exchange factor SOS1', 9606),
  ('9606.ENSP00000384675', 'SOS1',   'Son of sevenless homolog 1; exchange factor that loads RAS with GTP', 9606),
  ('9606.ENSP00000309845', 'HRAS',   'GTPase HRas; small GTPase that relays growth factor signals from the membrane', 9606),
  ('9606.ENSP00000251849', 'RAF1',   'RAF proto-oncogene serine/threonine-protein kinase; bound by active RAS, it phosphorylates MEK1 and MEK2', 9606),
  ('9606.ENSP00000302486', 'MAP2K1', 'Dual specificity mitogen-activated protein kinase kinase 1; MEK1, the MAP kinase kinase that activates ERK1 and ERK2', 9606),
  ('9606.ENSP00000215832', 'MAPK1',  'Mitogen-activated protein kinase 1; ERK2, a MAP kinase of the growth factor cascade with many nuclear and cytoplasmic targets', 9606),
  ('9606.ENSP00000263025', 'MAPK3',  'Mitogen-activated protein kinase 3; ERK1, a MAP kinase closely related to ERK2', 9606),
  ('9606.ENSP00000263967', 'PIK3CA', 'Phosphatidylinositol 4,5-bisphosphate 3-kinase catalytic subunit alpha isoform; makes PIP3 at the membrane downstream of growth factor receptors', 9606),
  ('9606.ENSP00000349960', 'AKT1',   'RAC-alpha serine/threonine-protein kinase; recruited by PIP3, it promotes cell survival, growth and glucose uptake', 9606),
  ('9606.ENSP00000361021', 'PTEN',   'Phosphatidylinositol 3,4,5-trisphosphate 3-phosphatase PTEN; tumour suppressor that removes PIP3 and so damps AKT signalling', 9606),
  ('9606.ENSP00000267163', 'RB1',    'Retinoblastoma-associated protein; binds E2F factors and holds the cell in G1 until it is phosphorylated by cyclin-CDK complexes', 9606),
  ('9606.ENSP00000345571', 'E2F1',   'Transcription factor E2F1; drives the genes of S phase once released from RB1', 9606),
  ('9606.ENSP00000467141', 'TTN',    'Titin; giant elastic filament of striated muscle sarcomeres', 9606),
  ('9606.ENSP00000329623', 'BCL2',   'Apoptosis regulator Bcl-2; keeps the mitochondrial outer membrane intact and so blocks apoptosis', 9606),
  ('10090.ENSMUSP00000104298', 'Trp53', 'Cellular tumor antigen p53; the mouse counterpart of the human tumour suppressor', 10090)
on conflict do nothing;

-- Pairs are listed once here and stored in both directions below.
create temporary table sample_pairs (a text, b text, score integer) on commit drop;
insert into sample_pairs values
  ('9606.ENSP00000269305', '9606.ENSP00000258149', 999),  -- TP53 MDM2
  ('9606.ENSP00000269305', '9606.ENSP00000244741', 990),  -- TP53 CDKN1A
  ('9606.ENSP00000269305', '9606.ENSP00000278616', 950),  -- TP53 ATM
  ('9606.ENSP00000269305', '9606.ENSP00000372023', 920),  -- TP53 CHEK2
  ('9606.ENSP00000278616', '9606.ENSP00000372023', 980),  -- ATM CHEK2
  ('9606.ENSP00000343741', '9606.ENSP00000388648', 999),  -- ATR CHEK1
  ('9606.ENSP00000343741', '9606.ENSP00000278616', 900),  -- ATR ATM (not above 900)
  ('9606.ENSP00000343741', '9606.ENSP00000269305', 850),  -- ATR TP53
  ('9606.ENSP00000258149', '9606.ENSP00000244741', 700),  -- MDM2 CDKN1A
  ('9606.ENSP00000275493', '9606.ENSP00000339007', 999),  -- EGFR GRB2
  ('9606.ENSP00000339007', '9606.ENSP00000384675', 999),  -- GRB2 SOS1
  ('9606.ENSP00000384675', '9606.ENSP00000309845', 980),  -- SOS1 HRAS
  ('9606.ENSP00000309845', '9606.ENSP00000251849', 990),  -- HRAS RAF1
  ('9606.ENSP00000251849', '9606.ENSP00000302486', 995),  -- RAF1 MAP2K1
  ('9606.ENSP00000302486', '9606.ENSP00000215832', 999),  -- MAP2K1 MAPK1
  ('9606.ENSP00000302486', '9606.ENSP00000263025', 999),  -- MAP2K1 MAPK3
  ('9606.ENSP00000215832', '9606.ENSP00000263025', 910),  -- MAPK1 MAPK3
  ('9606.ENSP00000275493', '9606.ENSP00000263967', 940),  -- EGFR PIK3CA
  ('9606.ENSP00000263967', '9606.ENSP00000349960', 960),  -- PIK3CA AKT1
  ('9606.ENSP00000349960', '9606.ENSP00000361021', 930),  -- AKT1 PTEN
  ('9606.ENSP00000349960', '9606.ENSP00000258149', 920),  -- AKT1 MDM2
  ('9606.ENSP00000267163', '9606.ENSP00000345571', 999),  -- RB1 E2F1
  ('9606.ENSP00000345571', '9606.ENSP00000269305', 600),  -- E2F1 TP53
  ('9606.ENSP00000467141', '9606.ENSP00000215832', 400);  -- TTN MAPK1

select create_species('human');
insert into human_protein_protein_links (protein_id_a, protein_id_b, combined_score)
  select a, b, score from sample_pairs
  union all
  select b, a, score from sample_pairs
on conflict do nothing;

-- Sequences: deterministic pseudo-random residues after the initial
-- methionine; titin's is far longer than the ODBC driver's default limit for
-- long text (8,190 characters), so a truncating read shows.
insert into ids_protein_sequences (identifier, sequence)
select substr(p.protein_id, 6),
       'M' || (select string_agg(substr('ACDEFGHIKLMNPQRSTVWY', 1 + ((i * 7 + n * 13 + i * i) % 20), 1), '' order by i)
               from generate_series(1, case when p.preferred_name = 'TTN' then 34349 else 180 + 17 * n end) i)
from (select protein_id, preferred_name, row_number() over (order by protein_id)::integer as n
      from proteins where species_id = 9606) p
on conflict do nothing;
insert into identifiers_proteins (identifier, protein_id)
select substr(protein_id, 6), protein_id from proteins where species_id = 9606
on conflict do nothing;

-- A second identifier for p53 with a sequence of its own: the first row read wins.
insert into ids_protein_sequences (identifier, sequence) values ('P04637', 'MEEPQSDPSVEPPLSQETFSDLWKLLPENNVLSPLPSQAMDDLMLSPDDIEQWFTEDPGP')
on conflict do nothing;
insert into identifiers_proteins (identifier, protein_id) values ('P04637', '9606.ENSP00000269305')
on conflict do nothing;

insert into experimental_sets (set_id, title, comment, url) values
  ('1001', 'p53 target gene screen', 'chromatin immunoprecipitation followed by expression profiling', 'https://sets.example.org/1001'),
  ('1002', 'EGF receptor signalling complex', 'affinity purification and mass spectrometry', 'https://sets.example.org/1002'),
  ('1003', 'DNA damage response kinases', 'kinase assays after ionising radiation', 'https://sets.example.org/1003')
on conflict do nothing;
-- Reference numbers beyond the range of real PubMed identifiers: placeholders, not citations.
insert into experimentalsets_pubmedrefs (set_id, pubmed_id) values
  ('1001', '90000101'), ('1001', '90000102'),
  ('1002', '90000201'),
  ('1003', '90000301'), ('1003', '90000302')
on conflict do nothing;
insert into experimentalsets_items (set_id, protein_id) values
  ('1001', '9606.ENSP00000269305'), ('1001', '9606.ENSP00000258149'), ('1001', '9606.ENSP00000244741'),
  ('1002', '9606.ENSP00000275493'), ('1002', '9606.ENSP00000339007'), ('1002', '9606.ENSP00000384675'),
  ('1003', '9606.ENSP00000278616'), ('1003', '9606.ENSP00000372023'), ('1003', '9606.ENSP00000269305')
on conflict do nothing;

select refresh_species('human', 9606);

commit;
