-- Sample data for species "human": a small signalling network around p53,
-- the EGF receptor pathway and a few others. Load after schema.sql.

set client_min_messages = warning;

begin;

insert into species (species_id, official_name, compact_name) values
  (9606, 'Homo sapiens', 'human'),
  (10090, 'Mus musculus', 'mouse')
on conflict do nothing;

insert into proteins (protein_id, preferred_name, annotation, species_id) values
  ('9606.ENSP00000269305', 'TP53',   'Cellular tumor antigen p53; acts as a tumor suppressor in many tumor types; induces growth arrest or apoptosis depending on the physiological circumstances and cell type', 9606),
  ('9606.ENSP00000258149', 'MDM2',   'E3 ubiquitin-protein ligase Mdm2; mediates ubiquitination of p53/TP53, leading to its degradation by the proteasome', 9606),
  ('9606.ENSP00000244741', 'CDKN1A', 'Cyclin-dependent kinase inhibitor 1; may be the important intermediate by which p53/TP53 mediates its role as an inhibitor of cellular proliferation', 9606),
  ('9606.ENSP00000278616', 'ATM',    'Serine-protein kinase ATM; DNA damage sensor that activates checkpoint signaling upon double strand breaks', 9606),
  ('9606.ENSP00000372023', 'CHEK2',  'Serine/threonine-protein kinase Chk2; checkpoint kinase required for checkpoint-mediated cell cycle arrest in response to DNA damage', 9606),
  ('9606.ENSP00000350283', 'BRCA1',  'Breast cancer type 1 susceptibility protein; E3 ubiquitin-protein ligase that specifically mediates the formation of Lys-6-linked polyubiquitin chains', 9606),
  ('9606.ENSP00000260947', 'BARD1',  'BRCA1-associated RING domain protein 1; constituent of the BRCA1-BARD1 heterodimer, an E3 ubiquitin-protein ligase', 9606),
  ('9606.ENSP00000275493', 'EGFR',   'Epidermal growth factor receptor; receptor tyrosine kinase binding ligands of the EGF family and activating several signaling cascades', 9606),
  ('9606.ENSP00000339007', 'GRB2',   'Growth factor receptor-bound protein 2; adapter protein that provides a critical link between cell surface growth factor receptors and the Ras signaling pathway', 9606),
  ('9606.ENSP00000384675', 'SOS1',   'Son of sevenless homolog 1; promotes the exchange of Ras-bound GDP by GTP', 9606),
  ('9606.ENSP00000309845', 'HRAS',   'GTPase HRas; involved in the activation of Ras protein signal transduction', 9606),
  ('9606.ENSP00000251849', 'RAF1',   'RAF proto-oncogene serine/threonine-protein kinase; acts as a regulatory link between the membrane-associated Ras GTPases and the MAPK/ERK cascade', 9606),
  ('9606.ENSP00000302486', 'MAP2K1', 'Dual specificity mitogen-activated protein kinase kinase 1; MAP kinase kinase that phosphorylates MAPK1/ERK2 and MAPK3/ERK1', 9606),
  ('9606.ENSP00000215832', 'MAPK1',  'Mitogen-activated protein kinase 1; serine/threonine kinase which acts as an essential component of the MAP kinase signal transduction pathway', 9606),
  ('9606.ENSP00000263025', 'MAPK3',  'Mitogen-activated protein kinase 3; serine/threonine kinase which acts as an essential component of the MAP kinase signal transduction pathway', 9606),
  ('9606.ENSP00000263967', 'PIK3CA', 'Phosphatidylinositol 4,5-bisphosphate 3-kinase catalytic subunit alpha isoform; phosphorylates PtdIns(4,5)P2 to generate PIP3', 9606),
  ('9606.ENSP00000349960', 'AKT1',   'RAC-alpha serine/threonine-protein kinase; regulates many processes including metabolism, proliferation, cell survival and growth', 9606),
  ('9606.ENSP00000361021', 'PTEN',   'Phosphatidylinositol 3,4,5-trisphosphate 3-phosphatase and dual-specificity protein phosphatase PTEN; tumor suppressor', 9606),
  ('9606.ENSP00000367207', 'MYC',    'Myc proto-oncogene protein; transcription factor that binds DNA in a non-specific manner, yet also specifically recognizes the core sequence CAC[GA]TG', 9606),
  ('9606.ENSP00000351490', 'MAX',    'Protein max; transcription regulator forming a sequence-specific DNA-binding protein complex with MYC or MAD', 9606),
  ('9606.ENSP00000467141', 'TTN',    'Titin; key component in the assembly and functioning of vertebrate striated muscles', 9606),
  ('9606.ENSP00000417281', 'KRT18',  'Keratin, type I cytoskeletal 18; involved in the uptake of thrombin-antithrombin complexes by hepatic cells', 9606),
  ('10090.ENSMUSP00000104298', 'Trp53', 'Cellular tumor antigen p53; mouse orthologue of the human tumor suppressor', 10090)
on conflict do nothing;

-- Pairs are listed once here and stored in both directions below.
create temporary table sample_pairs (a text, b text, score integer) on commit drop;
insert into sample_pairs values
  ('9606.ENSP00000269305', '9606.ENSP00000258149', 999),  -- TP53 MDM2
  ('9606.ENSP00000269305', '9606.ENSP00000244741', 990),  -- TP53 CDKN1A
  ('9606.ENSP00000269305', '9606.ENSP00000278616', 950),  -- TP53 ATM
  ('9606.ENSP00000269305', '9606.ENSP00000372023', 920),  -- TP53 CHEK2
  ('9606.ENSP00000278616', '9606.ENSP00000372023', 980),  -- ATM CHEK2
  ('9606.ENSP00000350283', '9606.ENSP00000260947', 999),  -- BRCA1 BARD1
  ('9606.ENSP00000350283', '9606.ENSP00000278616', 900),  -- BRCA1 ATM (not above 900)
  ('9606.ENSP00000350283', '9606.ENSP00000269305', 850),  -- BRCA1 TP53
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
  ('9606.ENSP00000367207', '9606.ENSP00000351490', 999),  -- MYC MAX
  ('9606.ENSP00000367207', '9606.ENSP00000269305', 600),  -- MYC TP53
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
insert into experimentalsets_pubmedrefs (set_id, pubmed_id) values
  ('1001', '12345678'), ('1001', '23456789'),
  ('1002', '15056801'),
  ('1003', '17114420'), ('1003', '18632603')
on conflict do nothing;
insert into experimentalsets_items (set_id, protein_id) values
  ('1001', '9606.ENSP00000269305'), ('1001', '9606.ENSP00000258149'), ('1001', '9606.ENSP00000244741'),
  ('1002', '9606.ENSP00000275493'), ('1002', '9606.ENSP00000339007'), ('1002', '9606.ENSP00000384675'),
  ('1003', '9606.ENSP00000278616'), ('1003', '9606.ENSP00000372023'), ('1003', '9606.ENSP00000269305')
on conflict do nothing;

select refresh_species('human', 9606);

commit;
